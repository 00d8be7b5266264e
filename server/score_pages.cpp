// HTML of the server's pages. Everything that came from a client goes
// through EscapeName.
#include "score_pages.h"

#include <stdio.h>
#include <time.h>

// Unicode code points of Windows-1252 bytes 0x80 to 0x9F; 0xFFFD where the
// code page has no character.
static const unsigned short HighControlTable[32] = {
    /*  x0      x1      x2      x3      x4      x5      x6      x7 */
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    /*  x8      x9      xA      xB      xC      xD      xE      xF */
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

static void AppendUtf8(std::string *out, unsigned code)
{
    if (code < 0x80) {
        *out += (char)code;
    } else if (code < 0x800) {
        *out += (char)(0xC0 | (code >> 6));
        *out += (char)(0x80 | (code & 0x3F));
    } else {
        *out += (char)(0xE0 | (code >> 12));
        *out += (char)(0x80 | ((code >> 6) & 0x3F));
        *out += (char)(0x80 | (code & 0x3F));
    }
}

std::string EscapeName(const char *name)
{
    std::string out;
    for (const unsigned char *p = (const unsigned char *)name; *p != 0; ++p) {
        unsigned c = *p;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (c < 0x20 || c == 0x7F)
                AppendUtf8(&out, 0xFFFD);
            else if (c >= 0x80 && c < 0xA0)
                AppendUtf8(&out, HighControlTable[c - 0x80]);
            else
                AppendUtf8(&out, c);
        }
    }
    return out;
}

static const char PageStyle[] =
    "body{font-family:sans-serif;margin:2em auto;max-width:44em;padding:0 1em;color:#222}"
    "table{border-collapse:collapse}th,td{padding:.25em .8em;text-align:left}"
    "td.n{text-align:right}tr:nth-child(even){background:#eef}"
    "kbd{border:1px solid #999;border-radius:3px;padding:0 .3em}";

const char *PageStyleText(void)
{
    return PageStyle;
}

static std::string PageStart(const char *title)
{
    return std::string("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>") + title +
           "</title>\n<style>" + PageStyle + "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n";
}

static std::string FormatDate(uint32_t seconds)
{
    time_t t = (time_t)seconds;
    struct tm date;
    char text[16];
    if (gmtime_r(&t, &date) == NULL || strftime(text, sizeof text, "%Y-%m-%d", &date) == 0)
        return "-";
    return text;
}

std::string RenderScoreList(const ScoreEntry *entries, int count)
{
    std::string page = PageStart("Pellorin internet high scores");
    page += "<p>The best results uploaded from Pellorin, best first.</p>\n"
            "<table id=\"scores\">\n<thead><tr><th>Rank</th><th>Name</th><th>Level</th><th>Score</th>"
            "<th>Date</th></tr></thead>\n<tbody>\n";
    for (int i = 0; i < count; ++i) {
        char numbers[3][16];
        snprintf(numbers[0], sizeof numbers[0], "%d", i + 1);
        snprintf(numbers[1], sizeof numbers[1], "%u", (unsigned)entries[i].level);
        snprintf(numbers[2], sizeof numbers[2], "%u", (unsigned)entries[i].score);
        page += std::string("<tr><td class=\"n\">") + numbers[0] + "</td><td>" + EscapeName(entries[i].name) +
                "</td><td class=\"n\">" + numbers[1] + "</td><td class=\"n\">" + numbers[2] + "</td><td>" +
                FormatDate(entries[i].time) + "</td></tr>\n";
    }
    if (count == 0)
        page += "<tr><td colspan=\"5\">No results have been uploaded yet.</td></tr>\n";
    page += "</tbody>\n</table>\n<p><a href=\"pellorin.asp\">How to play Pellorin</a></p>\n</body>\n</html>\n";
    return page;
}

std::string RenderHelpPage(void)
{
    return PageStart("How to play Pellorin") +
           "<p>Pieces of four cells in seven shapes fall one at a time into a board ten cells wide and "
           "twenty high. Move and turn each piece as it falls so that it fills whole rows: a full row "
           "is removed and everything above it moves down. The game ends when a new piece no longer "
           "fits at the top of the board.</p>\n"
           "<h2>Keys</h2>\n<table id=\"keys\">\n"
           "<tr><td><kbd>Left</kbd> / <kbd>Right</kbd></td><td>shift the piece one column</td></tr>\n"
           "<tr><td><kbd>Up</kbd></td><td>rotate the piece a quarter turn anticlockwise</td></tr>\n"
           "<tr><td><kbd>Down</kbd></td><td>push the piece down one row</td></tr>\n"
           "<tr><td><kbd>Space</kbd></td><td>drop the piece at once</td></tr>\n"
           "<tr><td><kbd>F2</kbd></td><td>start a new game</td></tr>\n"
           "<tr><td><kbd>P</kbd></td><td>pause and resume (three pauses a game)</td></tr>\n"
           "<tr><td><kbd>M</kbd></td><td>music on and off</td></tr>\n"
           "<tr><td><kbd>F1</kbd></td><td>this help page</td></tr>\n"
           "<tr><td><kbd>Esc</kbd></td><td>quit</td></tr>\n"
           "</table>\n"
           "<p>The five game keys can be changed under <b>Game, Settings...</b>: click a key field and "
           "press the new key; a key already used by another field changes places with it. The same "
           "dialog sets how soon a held key starts repeating and how fast it repeats, the music track "
           "and the game server. <b>Restore Defaults</b> brings back the keys above.</p>\n"
           "<h2>Scoring</h2>\n"
           "<p>Every piece that lands scores a drop bonus: 10 points, less one for each row it fell by "
           "itself before landing, so a piece dropped at once earns 10 and one that fell ten rows or "
           "more earns nothing. Rows removed by the piece add:</p>\n<table id=\"points\">\n"
           "<tr><th>Rows</th><th>Points</th></tr>\n"
           "<tr><td class=\"n\">1</td><td class=\"n\">10</td></tr>\n"
           "<tr><td class=\"n\">2</td><td class=\"n\">50</td></tr>\n"
           "<tr><td class=\"n\">3</td><td class=\"n\">250</td></tr>\n"
           "<tr><td class=\"n\">4</td><td class=\"n\">1250</td></tr>\n"
           "</table>\n"
           "<h2>Levels</h2>\n"
           "<p>The level rises by one every 30 seconds of play, and with it the pieces fall faster. "
           "Pausing stops the clock; each game allows three pauses.</p>\n"
           "<h2>High scores and uploads</h2>\n"
           "<p>The ten best results are kept on your computer. At the end of a game that earns a place "
           "you are asked for your name (up to 14 characters). In the high-score table, <b>Upload to "
           "Server</b> sends your ten results to the game server named in the settings (a host name, "
           "optionally with <code>:port</code>, and a path, such as <code>localhost:8080/pellorin</code>). "
           "The server keeps every result once and lists the best 100: it answers that your scores were "
           "uploaded when at least one of them stands in that list, and that no score qualified "
           "otherwise. <b>View Internet list</b> opens the <a href=\"highscore.asp\">list</a> in your "
           "browser.</p>\n"
           "</body>\n</html>\n";
}

std::string RenderNotFoundPage(void)
{
    return PageStart("Not found") + "<p>There is no page here.</p>\n</body>\n</html>\n";
}
