// The report: the verdict at the top, findings at their fields and the
// file's own beside it; check-ini's text word for word one click away.
import { FindingSeverity } from "./engine.js";
import { t } from "./i18n.js";
import { state } from "./state.js";
import { $, element } from "./ui.js";

// A finding's class and lead, by its severity and whether it has a line.
function look(severity) {
  if (severity === FindingSeverity.Note) return ["sev-note", "page.finding.note", "page.finding.note_line"];
  if (severity === FindingSeverity.Warning) return ["sev-warning", "page.finding.warning", "page.finding.warning_line"];
  return ["sev-stop", "page.finding.stop", "page.finding.stop_line"];
}

export function findingItem(f) {
  const [kind, plain, lined] = look(f.severity);
  return element("li", { className: "finding " + kind }, [
    element("strong", { text: f.line ? t(lined, { line: f.line }) : t(plain) }),
    document.createTextNode(" " + f.text),
  ]);
}

export function showReport() {
  const c = state.check;
  const v = $("verdict");
  v.textContent = c.verdict;
  v.className = "verdict status-" + c.status;
  $("file-findings").replaceChildren(...c.findings.filter((f) => f.setting < 0).map(findingItem));
  const report = $("report");
  report.textContent = c.report;
  report.className = "status-" + c.status;
}
