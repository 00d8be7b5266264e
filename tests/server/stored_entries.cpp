#include "stored_entries.h"

#include <stdio.h>

ScoreEntry MakeEntry(const char *name, uint32_t level, uint32_t score, uint32_t time)
{
    ScoreEntry entry = {};
    snprintf(entry.name, sizeof entry.name, "%s", name);
    entry.level = level;
    entry.score = score;
    entry.time = time;
    return entry;
}

std::vector<std::string> BestNames(void)
{
    ScoreEntry entries[GlobalListSize];
    int count = ReadBestEntries(entries, GlobalListSize);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(entries[i].name);
    return names;
}
