// The score server, where one serves the site (the page asks api/ once; a
// plain static host has none, and nothing of this shows): links to the best
// scores and to today's board; after a game over, the offer to send the
// game, never sent without the player's tap; a game of a table watched
// through its own link, games/ID, its journal fetched from the server; and
// today's board (?daily), the same for everyone until midnight UTC, played
// in a folder of the game's own (--daily) so that the player's launch
// counter and best score stay as they are.
const SentGames = 'kubrask-sent';
const ServedGame = /\/games\/([0-9a-f]{16})$/;

// The page's own folder, wherever it is served from (games/ID pages name
// the site's root as their base).
function siteHome() { return new URL('.', document.baseURI).pathname; }

// A game of the table, watched: its journal fetched, and its own game shown
// from its start (the frames of the run before it go by unseen).
function prepareServedWatching(query) {
  const served = ServedGame.exec(location.pathname);
  if (!served) return false;
  Page.watching = { arguments: ['--replay', WatchedFile] };
  addRunDependency('kubrask: the game to watch');
  const id = served[1];
  (async () => {
    const entry = await fetch(`api/games/${id}`);
    if (!entry.ok) throw new Error(entry.status === 404 ? 'there is no such game' : `the server answered ${entry.status}`);
    const game = await entry.json();
    const journal = await fetch(`api/games/${id}/journal`);
    if (!journal.ok) throw new Error(`the server answered ${journal.status}`);
    FS.mkdirTree(PATH.dirname(WatchedFile));
    FS.writeFile(WatchedFile, new Uint8Array(await journal.arrayBuffer()));
    Page.watching.arguments.push('--from', String(game.from));
    if (query.get('speed')) Page.watching.arguments.push('--speed', query.get('speed'));
    Page.notice(`Watching ${game.name}'s game of ${game.score} points, ranked ${game.rank} of ${game.of}. Escape stops it.`,
                'Stop watching', () => Page.push(PageKeyDown, 0x1b, 0));
    removeRunDependency('kubrask: the game to watch');
  })().catch((e) => Page.showEnd(`This game cannot be watched: ${e.message}.`));
  return true;
}

// Today's board: its seed fetched before the game starts.
function prepareDaily(query) {
  if (!query.has('daily')) return false;
  Page.daily = { day: '', seed: -1 };
  addRunDependency('kubrask: today\'s board');
  (async () => {
    const answer = await fetch('api/daily', { cache: 'no-store' });
    if (!answer.ok) throw new Error(`the server answered ${answer.status}`);
    const daily = await answer.json();
    Object.assign(Page.daily, { day: daily.day, seed: daily.seed });
    Page.notice(`Today's board, ${daily.day}: the same board for everyone until midnight UTC. ` +
                'Your own launch count and best score are left as they are.');
    removeRunDependency('kubrask: today\'s board');
  })().catch((e) => Page.showEnd(`Today's board comes from a score server, and this page has none to ask: ${e.message}.`));
  return true;
}

function keepSent(games) {
  try {
    const old = JSON.parse(localStorage.getItem(SentGames) || '[]');
    const kept = (Array.isArray(old) ? old : []).filter((o) => !games.some((game) => game.id === o.id));
    localStorage.setItem(SentGames, JSON.stringify(games.concat(kept).slice(0, 50)));
  } catch (e) {
    // a browser that keeps nothing: the table still has them
  }
}

Object.assign(Page, {
  scoreServer: null,  // what api/ said, where a score server serves the site
  over: null,         // the last game over: { score, cheated, dialog, named, name, offered }

  // A box opened: the game over, or the best score's dialog after it.
  boxOpened(box) {
    const description = box.description;
    if (Page.watching) return;
    if (!description.controls && description.caption === 'Kubrask' && /^Gamve Over!\nScore: /.test(description.text)) {
      Page.over = { score: Number(/Score: (-?\d+)/.exec(description.text)[1]),
                    cheated: description.text.includes('BUT YOU CHEATED!'), dialog: 0, named: false, name: '' };
    } else if (description.controls && Page.over && !Page.over.dialog) {
      Page.over.dialog = box.number;
    }
  },
  // A box closed: once the game over's boxes are all closed (the best
  // score's dialog opens in the same frame as the game over's box closes),
  // and the game has drawn on, the offer.
  boxClosed(box) {
    const over = Page.over;
    if (!over) return;
    if (box.number === over.dialog && box.lastCommand === 1) {
      const field = box.items.get(1000);
      over.name = field ? field.value : '';
      over.named = over.name !== '';
    }
    if (Page.boxes.length > 0 || over.waiting) return;
    over.waiting = true;
    const closedAt = Page.frames;
    const check = setInterval(() => {
      if (Page.boxes.length > 0 || Page.over !== over) {
        clearInterval(check);
        over.waiting = false;
        return;
      }
      if (Page.frames < closedAt + 2) return;
      clearInterval(check);
      over.offered = true;
      over.chunks = Page.journal ? Page.journal.chunks : 0;
      if (Page.scoreServer && !over.cheated) Page.offerToSend(over);
    }, 50);
  },

  // "Send this game to the scores", with a field for the name where the
  // game took none.
  offerToSend(over) {
    if (over.shown) return;
    over.shown = true;
    const line = document.createElement('p');
    line.className = 'offer';
    const table = Page.daily ? 'today\'s table' : 'the best scores';
    const text = document.createElement('span');
    text.textContent = `Your game scored ${over.score}. Send it to ${table}? What is sent: the game's journal` +
      (over.named ? ` and the name ${over.name}.` : ' and the name you give here.');
    line.append(text, ' ');
    let field = null;
    if (!over.named) {
      field = document.createElement('input');
      field.type = 'text';
      field.maxLength = 299;
      field.placeholder = 'Your name';
      field.setAttribute('aria-label', 'Your name for the best scores');
      field.addEventListener('input', () => {
        const kept = Array.from(field.value).filter(inCp1252).join('').slice(0, 299);
        if (kept !== field.value) field.value = kept;
      });
      try { field.value = localStorage.getItem('kubrask-name') || ''; } catch (e) { /* none kept */ }
      line.append(field, ' ');
    }
    const send = document.createElement('button');
    send.type = 'button';
    send.textContent = Page.daily ? 'Send this game to today\'s table' : 'Send this game to the scores';
    const said = document.createElement('span');
    said.className = 'said';
    said.setAttribute('role', 'status');
    send.addEventListener('click', () => Page.sendGame(over, field, send, said));
    line.append(send, ' ', said);
    const notice = Page.element('notice');
    notice.append(line);
    notice.hidden = false;
  },

  async sendGame(over, field, send, said) {
    const name = field ? field.value.trim() : '';
    if (field && !name) {
      said.textContent = 'Type a name to send the game with.';
      field.focus();
      return;
    }
    const journal = Page.journal;
    if (!journal) {
      said.textContent = 'This browser kept no journal of the game, so it cannot be sent.';
      return;
    }
    send.disabled = true;
    said.textContent = 'Sending…';
    try {
      // The journal is written out once a second: until the game over is in
      // it, the game waits.
      for (let waited = 0; journal.chunks <= over.chunks && waited < 3000; waited += 100) {
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
      const bytes = bytesOf(keptJournal(journal.storage, journal.key));
      if (field) localStorage.setItem('kubrask-name', name);
      const query = [Page.daily ? 'daily=1' : '', name ? 'name=' + encodeURIComponent(name) : ''].filter((q) => q);
      const answer = await fetch('api/games' + (query.length ? '?' + query.join('&') : ''),
                                 { method: 'POST', body: bytes, cache: 'no-store' });
      const reply = await answer.json();
      if (!answer.ok) throw new Error(reply.reason || `the server answered ${answer.status}`);
      const game = reply.games.find((g) => g.score === over.score) || reply.games[reply.games.length - 1];
      keepSent(reply.games);
      said.replaceChildren(`Sent: ranked ${game.rank} of ${game.of}. `);
      const link = document.createElement('a');
      link.href = 'games/' + game.id;
      link.textContent = 'Its own link';
      said.append(link);
      send.hidden = true;
      if (field) field.hidden = true;
    } catch (e) {
      said.textContent = `The game was not sent: ${e.message}`;
      send.disabled = false;
    }
  },
});

// Whether a score server serves the site.
fetch('api/', { cache: 'no-store' })
  .then((answer) => (answer.ok ? answer.json() : null))
  .then((info) => {
    if (!info || info.server !== 'kubrask-server') return;
    Page.scoreServer = info;
    Page.element('scores').hidden = false;
    Page.element('daily').hidden = !!Page.daily || !!Page.watching;
    if (Page.over && Page.over.offered && !Page.over.cheated) Page.offerToSend(Page.over);
  })
  .catch(() => {});
