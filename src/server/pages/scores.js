// The score page's own script: the games this browser sent (kept in the
// site's storage by the game's page and by this one), and "Send a
// journal…", which sends a journal file with the name typed here, for a
// game that has none.
'use strict';

const SentGames = 'kubrask-sent';

function sentGames() {
  try {
    const kept = JSON.parse(localStorage.getItem(SentGames) || '[]');
    return Array.isArray(kept) ? kept : [];
  } catch (e) {
    return [];
  }
}

function keepSent(games) {
  try {
    const kept = sentGames().filter((old) => !games.some((game) => game.id === old.id));
    localStorage.setItem(SentGames, JSON.stringify(games.concat(kept).slice(0, 50)));
  } catch (e) {
    // a browser that keeps nothing: the table still has them
  }
}

function showSent() {
  const list = document.getElementById('sent-games');
  list.replaceChildren();
  for (const game of sentGames()) {
    const line = document.createElement('li');
    const link = document.createElement('a');
    link.href = '/games/' + encodeURIComponent(game.id);
    link.textContent = 'Watch';
    line.append(`${game.name}: ${game.score} points, ranked ${game.rank} of ${game.of} when sent `, link);
    list.append(line);
  }
  document.getElementById('sent').hidden = list.children.length === 0;
}

async function send(file) {
  const said = document.getElementById('said');
  const name = document.getElementById('name').value;
  said.textContent = `Sending ${file.name}…`;
  try {
    const answer = await fetch('/api/games' + (name ? '?name=' + encodeURIComponent(name) : ''),
                               { method: 'POST', body: await file.arrayBuffer() });
    const reply = await answer.json();
    if (!answer.ok) {
      said.textContent = `${file.name} was not entered: ${reply.reason}`;
      return;
    }
    keepSent(reply.games);
    showSent();
    const best = reply.games.reduce((a, b) => (b.rank < a.rank ? b : a));
    said.textContent = (reply.duplicate ? `${file.name} was sent before. ` : `${file.name} is entered. `) +
      `Its best game ranks ${best.rank} of ${best.of}.`;
  } catch (e) {
    said.textContent = `${file.name} was not sent: ${e.message}`;
  }
}

const picker = document.getElementById('journal-file');
document.getElementById('send-file').addEventListener('click', () => picker.click());
picker.addEventListener('change', () => {
  if (picker.files[0]) send(picker.files[0]);
  picker.value = '';
});
showSent();
