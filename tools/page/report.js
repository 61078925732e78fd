// The report: the verdict at the top, findings at their fields and the
// file's own beside it, and below, check-ini's text word for word with its
// facts as a list and a table that reflow on a phone.
import { state, nameOf } from "./state.js";
import { $, element } from "./ui.js";

export function findingItem(f) {
  return element("li", { className: "finding sev-" + f.severity }, [
    element("strong", { text: f.word }),
    document.createTextNode((f.line ? ` (line ${f.line})` : "") + ": " + f.text),
  ]);
}

export function showReport() {
  const c = state.check, findings = c.findings;
  const v = $("verdict");
  v.textContent = c.verdict;
  v.className = "verdict status-" + c.status;
  $("file-findings").replaceChildren(...findings.filter((f) => f.setting < 0).map(findingItem));

  $("report-findings").replaceChildren(...findings.map((f) =>
    findingItem({ ...f, text: (f.setting >= 0 ? nameOf(f.setting) + ": " : "") + f.text })));
  $("report-findings-none").hidden = findings.length > 0;
  $("report-values").replaceChildren(...state.table.settings.map((s, i) => element("tr", {}, [
    element("th", { scope: "row", text: s.name }),
    element("td", { text: s.kind === "key" ? c.values[i].shown : c.values[i].value }),
    element("td", { text: c.values[i].origin.text }),
  ])));
  const report = $("report");
  report.textContent = c.report;
  report.className = "status-" + c.status;
}
