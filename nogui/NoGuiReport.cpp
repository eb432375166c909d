// The console run's outcomes as the run's report records them.
#include "NoGuiRun.h"
#include "RunReport.h"

namespace {

// A check-only run's verdict was decided once, with its result line; the
// report tells that, not a second reading of the result.
RunReport::Outcome outcomeOf(const NoGuiRun::Outcome& o) {
    switch (o.verdict) {
    case CheckVerdict::UpdateDue:
        return RunReport::UpdateDue;
    case CheckVerdict::UpToDate:
        return RunReport::UpToDate;
    case CheckVerdict::Incompatible:
        return RunReport::Incompatible;
    case CheckVerdict::NoAnswer:
        return RunReport::Unreachable;
    case CheckVerdict::NotFound:
        return RunReport::NotFound;
    case CheckVerdict::NotChecked:
    default:
        return RunReport::outcomeOf(o.result);
    }
}

} // namespace

void NoGuiRun::fillReport(RunReport& report) const {
    report.setPackageVersion(packageVersion_);
    report.setCheckOnly(env_.checkOnly);
    for (const Outcome& o : outcomes_) {
        RunReport::Printer p;
        p.name = o.name;
        p.address = o.address;
        p.port = o.port;
        p.type = o.type;
        p.firmwareBefore = o.before;
        p.outcome = outcomeOf(o);
        // Only an update reads the firmware back; a printer left alone
        // still has what it had, and after a failure nobody knows.
        if (p.outcome == RunReport::Updated)
            p.firmwareAfter = o.version;
        else if (p.outcome != RunReport::Failed && p.outcome != RunReport::Unreachable)
            p.firmwareAfter = o.before;
        p.errorCode = o.errorCode;
        p.seconds = static_cast<double>(o.ms) / 1000.0;
        report.addPrinter(p);
    }
}
