// The score server's own pages: see pages.h.
#include "server/pages.h"

#include <cstdio>

#include "server/submit.h"

namespace {

const char Head[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="theme-color" content="#202428">
<link rel="icon" type="image/png" href="/kubrask.png">
<style>
  html { background: #202428; color: #e8e8e8; font: 16px/1.45 "DejaVu Sans", Verdana, sans-serif; }
  body { margin: 0 auto; padding: 12px; max-width: 760px; }
  a { color: #ffd27a; }
  table { border-collapse: collapse; width: 100%; }
  th, td { text-align: left; padding: 6px 8px; border-bottom: 1px solid #3a4048; overflow-wrap: anywhere; }
  td.number, th.number { text-align: right; }
  button, input { font: inherit; min-height: 44px; }
  button { min-width: 64px; padding: 4px 12px; color: #000; background: #d8dce0; border: 1px solid #8a8a8a; border-radius: 6px; }
  input { box-sizing: border-box; max-width: 100%; padding: 4px 8px; }
  #said, #mine { color: #ffd27a; }
  li.yours { font-weight: bold; }
</style>
)";

}  // namespace

std::string HtmlText(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

namespace {

// A table of games, a row each with its place and a link to watch it.
std::string TableHtml(const char* id, const std::vector<Entry>& games, const char* none) {
    std::string html = std::string("<table id=\"") + id +
                       "\">\n<thead><tr><th class=\"number\">Rank</th><th>Name</th><th class=\"number\">Score</th>"
                       "<th>Date</th><th></th></tr></thead>\n<tbody>\n";
    for (size_t i = 0; i < games.size(); ++i) {
        const Entry& e = games[i];
        const std::string when = IsoTime(e.received);
        html += "<tr><td class=\"number\">" + std::to_string(i + 1) + "</td><td>" + HtmlText(NameText(e.name)) +
                "</td><td class=\"number\">" + std::to_string(e.score) + "</td><td><time datetime=\"" + when + "\">" +
                when.substr(0, 10) + "</time></td><td><a href=\"/games/" + e.id + "\">Watch</a></td></tr>\n";
    }
    if (games.empty()) html += std::string("<tr><td colspan=\"5\">") + none + "</td></tr>\n";
    return html + "</tbody>\n</table>\n";
}

}  // namespace

std::string ScoresPage(const std::vector<Entry>& best, const Table& today, const Table& yesterday, int64_t secondsLeft) {
    const int64_t h = secondsLeft / 3600, m = secondsLeft / 60 % 60, sec = secondsLeft % 60;
    char left[48];
    std::snprintf(left, sizeof left, "%lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                  static_cast<long long>(sec));
    std::string page = Head;
    page += "<title>Kubrask: the best scores</title>\n</head>\n<body>\n<main>\n<h1>Kubrask: the best scores</h1>\n"
            "<p>Every game on these tables was played again by this server, move by move, from the journal the game "
            "kept: the score is the one the game reached. That proves the game followed the rules, from its board, "
            "to that score; it cannot prove that a person, not a program, played it. <a href=\"/\">Play Kubrask</a>.</p>\n"
            "<section id=\"daily\">\n<h2>Today's board, " + today.day + "</h2>\n"
            "<p>The same board for everyone until midnight UTC, a player's best game counting. The next board in "
            "<span id=\"countdown\" data-seconds=\"" + std::to_string(secondsLeft) + "\">" + left + "</span>. "
            "<a href=\"/?daily\">Play today's board</a>.</p>\n"
            "<p id=\"mine\" hidden></p>\n<ol id=\"around\" hidden></ol>\n" +
            TableHtml("today", today.games, "No game of today's board has been sent yet.") +
            "</section>\n<section>\n<h2>Yesterday's board, " + yesterday.day + ": its final table</h2>\n" +
            TableHtml("yesterday", yesterday.games, "No game of yesterday's board was sent.") +
            "</section>\n<section>\n<h2>All time</h2>\n" + TableHtml("best", best, "No game has been sent yet.") +
            "</section>\n"
            "<section id=\"sent\" hidden>\n<h2>Games this browser sent</h2>\n<ul id=\"sent-games\"></ul>\n</section>\n"
            "<section>\n<h2>Send a journal</h2>\n<p>Kubrask keeps a journal of every run: on Linux, "
            "<code>Kubrask.journal</code> in the folder it runs in. Sent here, each game of it that reached its end "
            "is played again and entered with the name typed into the game.</p>\n"
            "<p><label>Name, for a game that has none: <input id=\"name\" maxlength=\"299\" autocomplete=\"nickname\">"
            "</label></p>\n<p><button type=\"button\" id=\"send-file\">Send a journal…</button>"
            "<input type=\"file\" id=\"journal-file\" accept=\".journal\" hidden></p>\n"
            "<p id=\"said\" role=\"status\"></p>\n</section>\n</main>\n<script src=\"/scores.js\"></script>\n</body>\n</html>\n";
    return page;
}

std::string NoSuchGamePage() {
    return std::string(Head) + "<title>Kubrask: no such game</title>\n</head>\n<body>\n<main>\n<h1>No such game</h1>\n"
           "<p>No game has this link: it may have been taken down. <a href=\"/scores\">The best scores</a>.</p>\n"
           "</main>\n</body>\n</html>\n";
}

std::string NotFoundPage() {
    return std::string(Head) + "<title>Kubrask: not here</title>\n</head>\n<body>\n<main>\n<h1>Not here</h1>\n"
           "<p>There is nothing at this address. <a href=\"/\">Play Kubrask</a> or see "
           "<a href=\"/scores\">the best scores</a>.</p>\n</main>\n</body>\n</html>\n";
}
