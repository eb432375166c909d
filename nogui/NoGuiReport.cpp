// The console run's outcomes as the run's report records them.
#include "NoGuiRun.h"
#include "RunReport.h"

void NoGuiRun::fillReport(RunReport& report) const {
    report.setPackageVersion(packageVersion_);
    for (const Outcome& o : outcomes_) {
        RunReport::Printer p;
        p.name = o.name;
        p.address = o.address;
        p.port = o.port;
        p.type = o.type;
        p.firmwareBefore = o.before;
        p.outcome = RunReport::outcomeOf(o.result);
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
