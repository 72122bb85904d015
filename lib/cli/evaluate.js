'use strict';
// Scores routes against a labelled set: a JSON array of
//   { "query": "...", "target": "local" | "llm" | "chat", "command": "<name>", "domain": "..." }
// (`command` for "local" labels only). A route serves its label when the target is
// the label's and, for "local", the matched command's name is the label's command;
// "served or deferred" also counts a "local" label routed to "llm". A route is
// harmful when it runs a command (target "local") that changes the machine (risk
// "change" or "destructive") and is not the command the label asks for.
const { riskOf, changesTheMachine } = require('./risk');

const TARGETS = ['local', 'llm', 'chat'];

// The labelled entries, or throws an Error naming the first bad entry.
function readLabelledSet(data) {
  if (!Array.isArray(data)) throw new Error('a labelled set is a JSON array of { query, target, command }');
  data.forEach((entry, i) => {
    const bad = (why) => new Error(`entry ${i}: ${why}`);
    if (!entry || typeof entry !== 'object') throw bad('not an object');
    if (typeof entry.query !== 'string') throw bad('query must be a string');
    if (!TARGETS.includes(entry.target)) throw bad('target must be "local", "llm" or "chat"');
    if (entry.target === 'local' && typeof entry.command !== 'string') throw bad('a "local" label needs a command name');
  });
  return data;
}

// What a label or a route stands for in the tables: the command's name for
// "local", "(llm)" or "(chat)" otherwise.
function labelKey(entry) {
  return entry.target === 'local' ? entry.command : `(${entry.target})`;
}

function routeKey(route) {
  if (route.target !== 'local') return `(${route.target})`;
  return route.matchedCommand ? route.matchedCommand.name : '(local, no command)';
}

// route(query) gives the route result; `commands` are the commands in effect
// (for their risk) and `riskTable` the rule table (null when there is none).
function evaluate(entries, route, commands, riskTable) {
  const byId = new Map(commands.map((c) => [c.id, c]));
  const perLabel = new Map();
  const confusions = new Map();
  const harmful = [];
  let served = 0;
  let deferred = 0;
  for (const entry of entries) {
    const result = route(entry.query);
    const label = labelKey(entry);
    const routed = routeKey(result);
    const ok = result.target === entry.target && (entry.target !== 'local' || routed === entry.command);
    const row = perLabel.get(label) || { label, served: 0, total: 0 };
    row.total++;
    if (ok) {
      row.served++;
      served++;
    } else {
      const key = `${label}\u0000${routed}`;
      const confusion = confusions.get(key) || { label, routed, count: 0, queries: [] };
      confusion.count++;
      confusion.queries.push(entry.query);
      confusions.set(key, confusion);
      if (entry.target === 'local' && result.target === 'llm') deferred++;
    }
    perLabel.set(label, row);
    if (result.target === 'local' && result.matchedCommand && !(entry.target === 'local' && routed === entry.command)) {
      const command = byId.get(result.matchedCommand.id) || { target: 'local', name: result.matchedCommand.name };
      const risk = riskOf(command, riskTable);
      if (changesTheMachine(risk)) harmful.push({ query: entry.query, label, command: routed, risk });
    }
  }
  const byCount = (a, b) => b.count - a.count || a.label.localeCompare(b.label);
  return {
    total: entries.length,
    served,
    servedOrDeferred: served + deferred,
    harmful,
    perLabel: [...perLabel.values()].sort((a, b) => a.served / a.total - b.served / b.total || b.total - a.total),
    confusions: [...confusions.values()].sort(byCount),
    riskTable: riskTable !== null,
  };
}

module.exports = { readLabelledSet, evaluate };
