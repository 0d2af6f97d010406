// Lists the person's and the administrator's answers; the person's can be removed.
async function show() {
  const managed = await managedLists();
  const answers = await personAnswers();
  for (const kind of ['allowed', 'blocked']) {
    const list = document.getElementById(kind);
    list.textContent = '';
    const answer = kind === 'allowed' ? 'allow' : 'block';
    const rows = [];
    for (const origin of managed[kind]) rows.push({ origin, managed: true });
    for (const [origin, value] of Object.entries(answers))
      if (value === answer && !managed[kind].includes(origin)) rows.push({ origin, managed: false });
    if (!rows.length) {
      const li = document.createElement('li');
      li.className = 'empty';
      li.textContent = 'none';
      list.appendChild(li);
    }
    for (const row of rows) {
      const li = document.createElement('li');
      li.dataset.origin = row.origin;
      li.textContent = row.origin + (row.managed ? ' (set by your administrator)' : '');
      if (!row.managed) {
        const remove = document.createElement('button');
        remove.textContent = 'Remove';
        remove.addEventListener('click', () => forgetAnswer(row.origin));
        li.appendChild(remove);
      }
      list.appendChild(li);
    }
  }
}
chrome.storage.onChanged.addListener(show);
show();
