// The boxes and the name dialog (boxes.cpp) as overlays over the page.

// The characters Windows-1252 holds beyond Latin-1's: what the name field takes.
const Cp1252Extra = '€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ';
function inCp1252(c) {
  const code = c.codePointAt(0);
  return (code >= 0x20 && code < 0x7f) || (code >= 0xa0 && code <= 0xff) || Cp1252Extra.includes(c);
}

Object.assign(Page, {
  boxes: [],  // open overlays, the top one last
  nextBox: 1,

  // A box or the dialog as an overlay over the page, as the Linux layer draws
  // them: a caption bar, the text (or the dialog's controls, placed in dialog
  // units), an icon, the buttons in Windows' order with the default one
  // framed. Only the top overlay takes keys and clicks; what it is told goes
  // to the layer as commands: a button's id, or IDCANCEL for Escape.
  openBox(description) {
    const number = Page.nextBox++;
    const layer = document.createElement('div');
    layer.className = 'box-layer';
    const box = document.createElement('div');
    box.className = 'box';
    box.setAttribute('role', 'dialog');
    const title = document.createElement('div');
    title.className = 'box-caption';
    title.textContent = description.caption;
    box.append(title);
    const items = new Map();  // id to element
    const stops = [];  // the tab stops in order
    const button = (id, label, isDefault) => {
      const element = document.createElement('button');
      element.type = 'button';
      element.textContent = label;
      element.dataset.id = id;
      if (isDefault) element.classList.add('default');
      element.addEventListener('click', () => Page.command(number, id));
      items.set(id, element);
      stops.push(element);
      return element;
    };
    if (description.controls) {
      // Dialog units: a quarter of the font's average width, an eighth of its height.
      const body = document.createElement('div');
      body.className = 'box-dialog';
      body.style.width = `calc(${description.width} * var(--unit-x))`;
      body.style.height = `calc(${description.height} * var(--unit-y))`;
      for (const control of description.controls) {
        let element;
        if (control.kind === 'edit') {
          element = document.createElement('input');
          element.type = 'text';
          element.maxLength = control.limit;
          element.spellcheck = false;
          element.addEventListener('input', () => {
            const kept = Array.from(element.value).filter(inCp1252).join('').slice(0, control.limit);
            if (kept !== element.value) element.value = kept;
          });
          items.set(control.id, element);
          stops.push(element);
        } else if (control.kind === 'label') {
          element = document.createElement('span');
          element.textContent = control.text;
        } else {
          element = button(control.id, control.text, control.kind === 'default');
        }
        element.classList.add('box-control');
        element.style.left = `calc(${control.x} * var(--unit-x))`;
        element.style.top = `calc(${control.y} * var(--unit-y))`;
        element.style.width = `calc(${control.w} * var(--unit-x))`;
        element.style.height = `calc(${control.h} * var(--unit-y))`;
        body.append(element);
      }
      box.append(body);
    } else {
      const body = document.createElement('div');
      body.className = 'box-body';
      if (description.icon) {
        const icon = document.createElement('div');
        icon.className = 'box-icon ' + description.icon;
        icon.textContent = description.icon === 'exclamation' ? '!' : 'i';
        body.append(icon);
      }
      const text = document.createElement('div');
      text.className = 'box-text';
      text.textContent = description.text;
      body.append(text);
      const buttons = document.createElement('div');
      buttons.className = 'box-buttons';
      description.buttons.forEach((b, i) => buttons.append(button(b.id, b.label, i === 0)));
      box.append(body, buttons);
    }
    layer.append(box);
    document.body.append(layer);
    const opened = { number, layer, items, stops, description, lastCommand: 0 };
    Page.boxes.push(opened);
    if (stops.length) stops[0].focus();
    Page.boxOpened(opened);
    return number;
  },
  // A button of a box, or Escape (IDCANCEL), told to the layer.
  command(number, id) {
    const box = Page.boxes.find((b) => b.number === number);
    if (box) box.lastCommand = id;
    Page.push(PageCommand, number, id);
  },
  closeBox(number) {
    const at = Page.boxes.findIndex((b) => b.number === number);
    if (at < 0) return;
    const box = Page.boxes[at];
    box.layer.remove();
    Page.boxes.splice(at, 1);
    Page.boxClosed(box);
    const top = Page.boxes[Page.boxes.length - 1];
    if (top && top.stops.length && !top.layer.contains(document.activeElement)) top.stops[0].focus();
  },
  setItemText(number, id, text) {
    const box = Page.boxes.find((b) => b.number === number), item = box && box.items.get(id);
    if (!item) return;
    if (item.tagName === 'INPUT') {
      item.value = text;
      item.setSelectionRange(0, 0);
    } else {
      item.textContent = text;
    }
  },
  itemText(number, id) {
    const box = Page.boxes.find((b) => b.number === number), item = box && box.items.get(id);
    return !item ? '' : item.tagName === 'INPUT' ? item.value : item.textContent;
  },
  // The keys of the top box: Tab and Shift+Tab through the tab stops, the
  // arrows through the buttons when one has the focus, Enter for the focused
  // button (else the default one), Space for the focused button, Escape for
  // Cancel. The name field edits as a text field does.
  boxKey(box, event) {
    const focused = box.stops.indexOf(document.activeElement);
    const onButton = focused >= 0 && box.stops[focused].tagName === 'BUTTON';
    const move = (step, buttonsOnly) => {
      const count = box.stops.length;
      let at = focused < 0 ? (step > 0 ? count - 1 : 0) : focused;
      for (let i = 0; i < count; i++) {
        at = (at + step + count) % count;
        if (!buttonsOnly || box.stops[at].tagName === 'BUTTON') break;
      }
      box.stops[at].focus();
    };
    const command = (id) => { if (!event.repeat) Page.command(box.number, id); };
    switch (event.key) {
      case 'Tab': move(event.shiftKey ? -1 : 1, false); break;
      case 'Enter': {
        const target = onButton ? box.stops[focused] : box.layer.querySelector('button.default');
        if (target) command(Number(target.dataset.id));
        break;
      }
      case 'Escape': command(2); break;
      case ' ': if (onButton) command(Number(box.stops[focused].dataset.id)); else return false; break;
      case 'ArrowLeft': case 'ArrowUp': case 'ArrowRight': case 'ArrowDown':
        if (!onButton) return false;
        move(event.key === 'ArrowLeft' || event.key === 'ArrowUp' ? -1 : 1, true);
        break;
      default: return false;
    }
    return true;
  },
});

// The boxes keep to the part of the page that shows, above an on-screen
// keyboard.
if (window.visualViewport) {
  const fit = () => {
    const root = document.documentElement.style;
    root.setProperty('--shown-top', visualViewport.offsetTop + 'px');
    root.setProperty('--shown-height', visualViewport.height + 'px');
  };
  visualViewport.addEventListener('resize', fit);
  visualViewport.addEventListener('scroll', fit);
  fit();
}
