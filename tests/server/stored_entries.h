// Results made for the store's tests, and the names the store ranks best.
#ifndef PELLORIN_STORED_ENTRIES_H
#define PELLORIN_STORED_ENTRIES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "score_store.h"

ScoreEntry MakeEntry(const char *name, uint32_t level, uint32_t score, uint32_t time);
// The names of the best entries, best first.
std::vector<std::string> BestNames(void);

#endif
