// Writes the JSON parsing benchmark's document: about 20 MB of API-like
// records (strings with escapes, integers, decimals, booleans, nulls and
// nested arrays and objects), the same bytes on every run.
// Usage: node json_doc.js FILE [MEGABYTES]
'use strict';
const fs = require('fs');
const [file, mb = '20'] = process.argv.slice(2);
const target = Number(mb) * 1000 * 1000;
const parts = [];
let size = 2;
for (let i = 0; size < target; i++) {
  const rec = JSON.stringify({
    id: i,
    name: `user ${i} "quoted"\tname`,
    email: `user${i}@example.com`,
    score: (i * 37 % 1000) / 8,
    balance: -i * 1.25e-3,
    active: i % 3 === 0,
    manager: i % 5 === 0 ? null : i - 1,
    tags: ['alpha', 'beta', `t${i % 17}`],
    address: { street: `${i} Main St`, city: 'Springfield', zip: String(10000 + i % 89999) },
    history: [i, i * 2, i * 3, { at: 1700000000000 + i, ok: true }],
  });
  parts.push(rec);
  size += rec.length + 1;
}
fs.writeFileSync(file, '[' + parts.join(',') + ']');
