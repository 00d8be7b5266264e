// The two pages the game links to: the global list and the help page.
#ifndef PELLORIN_SCORE_PAGES_H
#define PELLORIN_SCORE_PAGES_H

#include <string>

#include "upload_form.h"

// Names arrive in the Windows-1252 code page; the pages are UTF-8 with
// every name escaped.
std::string RenderScoreList(const ScoreEntry *entries, int count);
std::string RenderHelpPage(void);
std::string RenderNotFoundPage(void);

// The text of the pages' one style element, for the content security policy.
const char *PageStyleText(void);

// Text as HTML character data: the five markup characters escaped, bytes
// converted from Windows-1252, control characters replaced.
std::string EscapeName(const char *name);

#endif
