// The score server's own pages: the table of the best games, and what it
// says of a link that leads nowhere. Names are shown as text, never as
// markup.
#pragma once

#include <string>
#include <vector>

#include "server/store.h"

std::string ScoresPage(const std::vector<Entry>& best);
std::string NoSuchGamePage();
std::string NotFoundPage();
// The score page's script (pages/scores.js), built in.
extern const char ScoresScript[];
// Text made safe to stand in HTML.
std::string HtmlText(const std::string& utf8);
