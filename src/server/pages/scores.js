// The score page's own script: the countdown to the next day's board; the
// games this browser sent (kept in the site's storage by the game's page
// and by this one), and its best game today with its rank and the games
// around it; and "Send a journal…", which sends a journal file with the
// name typed here, for a game that has none.
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
countDown();
showMine().catch(() => {});
    const best = reply.games.reduce((a, b) => (b.rank < a.rank ? b : a));
    said.textContent = (reply.duplicate ? `${file.name} was sent before. ` : `${file.name} is entered. `) +
      `Its best game ranks ${best.rank} of ${best.of}.`;
  } catch (e) {
    said.textContent = `${file.name} was not sent: ${e.message}`;
  }
}

// 1st, 2nd, 3rd, 4th... 11th, 12th, 13th... 21st.
function ordinal(n) {
  const tens = n % 100, ones = n % 10;
  return n + (tens >= 11 && tens <= 13 ? 'th' : ones === 1 ? 'st' : ones === 2 ? 'nd' : ones === 3 ? 'rd' : 'th');
}

function countDown() {
  const countdown = document.getElementById('countdown');
  const end = Date.now() + Number(countdown.dataset.seconds) * 1000;
  const tick = () => {
    const left = Math.max(0, Math.round((end - Date.now()) / 1000));
    const two = (n) => String(n).padStart(2, '0');
    countdown.textContent = `${Math.floor(left / 3600)}:${two(Math.floor(left / 60) % 60)}:${two(left % 60)}`;
    if (left === 0) location.reload();
  };
  tick();
  setInterval(tick, 1000);
}

// This browser's player's best game on today's table: by the name of the
// games it sent today, else the name it last typed.
async function showMine() {
  let name = null;
  try {
    const today = document.querySelector('#daily h2').textContent.slice(-10);
    const sentToday = sentGames().find((game) => game.day === today);
    name = sentToday ? sentToday.name : localStorage.getItem('kubrask-name');
  } catch (e) {
    name = null;
  }
  if (!name) return;
  const answer = await fetch('/api/daily/around?name=' + encodeURIComponent(name), { cache: 'no-store' });
  if (!answer.ok) return;
  const { best, around, firstRank } = await answer.json();
  const mine = document.getElementById('mine');
  mine.textContent = `Your best today, ${best.name}: ${best.score} points, ${ordinal(best.rank)} of ${best.of}.`;
  mine.hidden = false;
  const list = document.getElementById('around');
  list.start = firstRank;
  list.replaceChildren(...around.map((game) => {
    const line = document.createElement('li');
    line.textContent = `${game.name}: ${game.score}`;
    if (game.id === best.id) line.className = 'yours';
    return line;
  }));
  list.hidden = around.length === 0;
}

const picker = document.getElementById('journal-file');
document.getElementById('send-file').addEventListener('click', () => picker.click());
picker.addEventListener('change', () => {
  if (picker.files[0]) send(picker.files[0]);
  picker.value = '';
});
showSent();
countDown();
showMine().catch(() => {});
