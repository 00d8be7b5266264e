#include "admin_command.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "deny_list.h"
#include "score_store.h"

enum {
    DefaultListCount = 20
};

static const char AdminUsage[] =
    "usage: pellorin-score-server admin [--database FILE|URI] COMMAND\n"
    "  list [N]               the latest N results (default 20), newest first\n"
    "  remove ID              removes the result with that id\n"
    "  remove-from ADDRESS    removes every result uploaded from ADDRESS\n"
    "  deny add RANGE         refuses uploads from an address or CIDR range\n"
    "  deny remove RANGE      takes a range off the deny list\n"
    "  deny list              the deny list\n"
    "  copy --from DB --to DB copies every result and the deny list into a\n"
    "                         database that holds no results yet\n"
    "  --database as for the server (default pellorin-scores.db)\n";

static int UsageError(const char *problem)
{
    if (problem != NULL)
        fprintf(stderr, "pellorin-score-server admin: %s\n", problem);
    fputs(AdminUsage, stderr);
    return 2;
}

static int IsPostgres(const char *where)
{
    return strncmp(where, "postgresql://", 13) == 0 || strncmp(where, "postgres://", 11) == 0;
}

// A SQLite file is not created by a command that only reads or removes: a
// mistyped path would otherwise show an empty list.
static int OpenExisting(const char *where, int mayCreate)
{
    if (!IsPostgres(where) && !mayCreate && access(where, F_OK) != 0) {
        fprintf(stderr, "pellorin-score-server admin: %s: %s\n", where, strerror(errno));
        return 0;
    }
    if (!OpenScoreStore(where)) {
        fprintf(stderr, "pellorin-score-server admin: cannot open the database %s\n",
                IsPostgres(where) ? "(see the log above)" : where);
        return 0;
    }
    return 1;
}

// Whole decimal numbers from 1 up, nothing else.
static int ParseCount(const char *text, long long limit, long long *value)
{
    if (text[0] < '1' || text[0] > '9')
        return 0;
    char *end = NULL;
    errno = 0;
    long long n = strtoll(text, &end, 10);
    if (*end != 0 || errno != 0 || n > limit)
        return 0;
    *value = n;
    return 1;
}

// Names are bytes of the game's code page: printable ASCII as it is,
// anything else as \xHH so that the terminal shows every byte.
static std::string PrintableName(const char *name)
{
    std::string text;
    char hex[5];
    for (const unsigned char *c = (const unsigned char *)name; *c != 0; ++c) {
        if (*c >= 0x20 && *c < 0x7f && *c != '\\') {
            text += (char)*c;
        } else {
            snprintf(hex, sizeof hex, "\\x%02x", *c);
            text += hex;
        }
    }
    return text;
}

static std::string UtcText(int64_t seconds, const char *format)
{
    time_t t = (time_t)seconds;
    struct tm utc;
    char text[32];
    if (gmtime_r(&t, &utc) == NULL || strftime(text, sizeof text, format, &utc) == 0)
        return "?";
    return text;
}

static int ListLatest(int count)
{
    std::vector<StoredResult> results;
    if (ReadLatestResults(&results, count) < 0) {
        fputs("pellorin-score-server admin: cannot read the results\n", stderr);
        return 1;
    }
    printf("%-8s %-20s %-39s %10s %5s %-10s %s\n", "id", "received", "address", "score", "level", "date", "name");
    for (const StoredResult &r : results) {
        printf("%-8lld %-20s %-39s %10u %5u %-10s %s\n", (long long)r.id,
               r.received != 0 ? UtcText(r.received, "%Y-%m-%dT%H:%M:%SZ").c_str() : "-",
               r.address[0] != 0 ? r.address : "-", r.entry.score, r.entry.level,
               UtcText(r.entry.time, "%Y-%m-%d").c_str(), PrintableName(r.entry.name).c_str());
    }
    return 0;
}

static int Removed(int count, const char *what)
{
    if (count < 0) {
        fputs("pellorin-score-server admin: the database failed; nothing was removed\n", stderr);
        return 1;
    }
    printf("removed %d result%s %s\n", count, count == 1 ? "" : "s", what);
    return count > 0 ? 0 : 1;
}

static int ChangeDenyList(int adding, const AddressRange *range)
{
    char canonical[64];
    FormatRange(range, canonical, sizeof canonical);
    int changed = adding ? AddDeniedRange(range) : RemoveDeniedRange(range);
    if (changed < 0) {
        fputs("pellorin-score-server admin: the database failed; the deny list is unchanged\n", stderr);
        return 1;
    }
    if (adding)
        printf(changed ? "denied %s\n" : "%s is denied already\n", canonical);
    else
        printf(changed ? "%s is no longer denied\n" : "%s was not on the deny list\n", canonical);
    return changed ? 0 : 1;
}

static int ListDenied(void)
{
    std::vector<std::string> ranges;
    if (ReadDeniedRanges(&ranges) < 0) {
        fputs("pellorin-score-server admin: cannot read the deny list\n", stderr);
        return 1;
    }
    for (const std::string &range : ranges)
        printf("%s\n", range.c_str());
    return 0;
}

// Reads everything from the source, then writes it to the target in one
// transaction, so that a failure leaves the target as it was.
static int Copy(const char *from, const char *to)
{
    std::vector<StoredResult> results;
    std::vector<std::string> ranges;
    if (!OpenExisting(from, 0))
        return 1;
    int ok = ReadAllResults(&results) && ReadDeniedRanges(&ranges) >= 0;
    CloseScoreStore();
    if (!ok) {
        fprintf(stderr, "pellorin-score-server admin: cannot read the source database\n");
        return 1;
    }
    if (!OpenExisting(to, 1))
        return 1;
    ok = ImportResults(results);
    if (!ok)
        fprintf(stderr, "pellorin-score-server admin: cannot copy into the target; it must hold no results\n");
    for (size_t i = 0; ok && i < ranges.size(); ++i) {
        AddressRange range;
        const char *problem = NULL;
        if (ParseRange(ranges[i].c_str(), &range, &problem))
            ok = AddDeniedRange(&range) >= 0;
    }
    CloseScoreStore();
    if (!ok)
        return 1;
    printf("copied %zu results and %zu deny-list ranges\n", results.size(), ranges.size());
    return 0;
}

int RunAdminCommand(int argc, char **argv)
{
    const char *database = "pellorin-scores.db";
    const char *from = NULL;
    const char *to = NULL;
    std::vector<const char *> words;
    for (int i = 1; i < argc; ++i) {
        const char **option = strcmp(argv[i], "--database") == 0 ? &database
                              : strcmp(argv[i], "--from") == 0   ? &from
                              : strcmp(argv[i], "--to") == 0     ? &to
                                                                 : NULL;
        if (strcmp(argv[i], "--help") == 0)
            return UsageError(NULL);
        if (option == NULL && strncmp(argv[i], "--", 2) == 0)
            return UsageError("unknown option");
        if (option == NULL) {
            words.push_back(argv[i]);
            continue;
        }
        if (i + 1 >= argc || argv[i + 1][0] == 0)
            return UsageError("an option without its value");
        *option = argv[++i];
    }
    size_t n = words.size();
    const char *command = n > 0 ? words[0] : "";
    int isCopy = strcmp(command, "copy") == 0;
    if (isCopy != (from != NULL || to != NULL) || (isCopy && (from == NULL || to == NULL || n != 1)))
        return UsageError(isCopy ? "copy needs --from and --to" : "--from and --to belong to copy");
    if (isCopy)
        return Copy(from, to);

    long long number = DefaultListCount;
    const char *problem = NULL;
    if (strcmp(command, "list") == 0) {
        if (n > 2 || (n == 2 && !ParseCount(words[1], 1000000, &number)))
            problem = "list takes a count from 1 to 1000000";
    } else if (strcmp(command, "remove") == 0) {
        if (n != 2 || !ParseCount(words[1], INT64_MAX, &number))
            problem = "remove takes the id of one result (see list)";
    } else if (strcmp(command, "remove-from") == 0) {
        unsigned char bytes[16];
        if (n != 2 || !ParseAddress(words[1], bytes))
            problem = "remove-from takes one IPv4 or IPv6 address";
    } else if (strcmp(command, "deny") == 0) {
        const char *verb = n > 1 ? words[1] : "";
        int takesRange = strcmp(verb, "add") == 0 || strcmp(verb, "remove") == 0;
        if (!(takesRange && n == 3) && !(strcmp(verb, "list") == 0 && n == 2))
            problem = "deny takes add RANGE, remove RANGE or list";
    } else {
        problem = n == 0 ? "a command is missing" : "unknown command";
    }
    if (problem != NULL)
        return UsageError(problem);
    AddressRange range;
    if (strcmp(command, "deny") == 0 && strcmp(words[1], "list") != 0) {
        const char *why = NULL;
        if (!ParseRange(words[2], &range, &why)) {
            fprintf(stderr, "pellorin-score-server admin: \"%s\" %s\n", words[2], why);
            return 2;
        }
    }

    if (!OpenExisting(database, strcmp(command, "deny") == 0 && strcmp(words[1], "add") == 0))
        return 1;
    int status;
    if (strcmp(command, "list") == 0) {
        status = ListLatest((int)number);
    } else if (strcmp(command, "remove") == 0) {
        std::string what = "with id " + std::string(words[1]);
        status = Removed(RemoveResult(number), what.c_str());
    } else if (strcmp(command, "remove-from") == 0) {
        std::string what = "from " + std::string(words[1]);
        status = Removed(RemoveResultsFrom(words[1]), what.c_str());
    } else if (strcmp(words[1], "list") == 0) {
        status = ListDenied();
    } else {
        status = ChangeDenyList(strcmp(words[1], "add") == 0, &range);
    }
    CloseScoreStore();
    return status;
}
