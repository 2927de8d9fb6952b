// The score server's own pages: see pages.h.
#include "server/pages.h"

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
  #said { color: #ffd27a; }
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

std::string ScoresPage(const std::vector<Entry>& best) {
    std::string page = Head;
    page += "<title>Kubrask: the best scores</title>\n</head>\n<body>\n<main>\n<h1>Kubrask: the best scores</h1>\n"
            "<p>Every game on this table was played again by this server, move by move, from the journal the game "
            "kept: the score is the one the game reached. <a href=\"/\">Play Kubrask</a>.</p>\n"
            "<table id=\"best\">\n<thead><tr><th class=\"number\">Rank</th><th>Name</th><th class=\"number\">Score</th>"
            "<th>Date</th><th></th></tr></thead>\n<tbody>\n";
    for (size_t i = 0; i < best.size(); ++i) {
        const Entry& e = best[i];
        const std::string when = IsoTime(e.received);
        page += "<tr><td class=\"number\">" + std::to_string(i + 1) + "</td><td>" + HtmlText(NameText(e.name)) +
                "</td><td class=\"number\">" + std::to_string(e.score) + "</td><td><time datetime=\"" + when + "\">" +
                when.substr(0, 10) + "</time></td><td><a href=\"/games/" + e.id + "\">Watch</a></td></tr>\n";
    }
    if (best.empty()) page += "<tr><td colspan=\"5\">No game has been sent yet.</td></tr>\n";
    page += "</tbody>\n</table>\n"
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
