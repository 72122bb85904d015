'use strict';
// Risk classes of commands: "destructive", "change" or "none". A command's own
// `risk` member decides; without one, commands whose target is "llm" or "chat"
// are "none", and the others take the class of the first rule of the table
// (risk_defaults.json) whose every member other than `risk` equals the action's
// member of that name, else the table's `otherwise`.
const RISK_CLASSES = ['destructive', 'change', 'none'];

function ruleMatches(rule, action) {
  return Object.keys(rule).every((key) => key === 'risk' || (action && action[key] === rule[key]));
}

// The class of `command` under `table` ({ rules, otherwise }); with no table, a
// local command without its own `risk` counts as "change".
function riskOf(command, table) {
  if (RISK_CLASSES.includes(command.risk)) return command.risk;
  if (command.target === 'llm' || command.target === 'chat') return 'none';
  if (!table) return 'change';
  const rule = (table.rules || []).find((r) => ruleMatches(r, command.action));
  const risk = rule ? rule.risk : table.otherwise;
  return RISK_CLASSES.includes(risk) ? risk : 'change';
}

function changesTheMachine(risk) {
  return risk === 'change' || risk === 'destructive';
}

module.exports = { RISK_CLASSES, riskOf, changesTheMachine };
