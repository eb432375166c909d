// What the update worker makes of the engine's answer: which error page the
// user sees, whether the engine is asked a second time, and what the flow is
// told when the worker ends. No OS calls: the worker supplies the engine call,
// the pages and the progress report through Steps.
#pragma once

#include <cstdint>

class UpdateOutcome {
public:
    // The worker's exit codes, as the flow reads them.
    enum ExitCode : uint32_t {
        Updated = 0,
        ConsentRefused = 11,     // the firmware-letter change was not agreed to: nothing sent
        Refused = 12,            // the printer refuses this firmware revision: nothing sent
        NoAnswerUnresolved = 13, // the printer did not answer; the page gave neither answer
        Failed = 14,             // the update failed, or the user gave up
        TryAgain = 15,           // the user asked to update this printer again
        NoAnswerGivenUp = 16,    // the printer did not answer; the user gave up
    };
    // Whether code says nothing was sent because the printer or the user
    // refused the package's firmware.
    static bool refused(uint32_t code) { return code == Refused || code == ConsentRefused; }
    // Whether code says nothing was sent because the printer did not answer.
    static bool unanswered(uint32_t code) {
        return code == NoAnswerGivenUp || code == NoAnswerUnresolved;
    }
    // Kinds of the error page that the worker shows.
    enum ErrorKind : int { ErrorUpdateFailed = 4, ErrorNoAnswer = 11, ErrorInUse = 12 };

    class Steps {
    public:
        virtual ~Steps() {}
        // The engine's update of the job's printer; consent answers a
        // firmware-letter change that the engine asked about.
        virtual int32_t update(bool consent) = 0;
        // Modal pages; each returns the page's result (1, 2, 8, or anything
        // else when the page could not be shown).
        virtual int showConsentPage() = 0;
        virtual int showRevisionPage() = 0;
        virtual int showErrorPage(int kind) = 0;
        // Reports 100 percent, which lets the Progress page close; always
        // after the last page has closed.
        virtual void reportDone() = 0;
    };

    // Runs one update through its pages and returns the worker's exit code.
    static uint32_t run(Steps& steps);

    // What the flow is told of an update worker it waited for: ended says
    // whether the wait saw the thread end, read whether its exit code could
    // be read. Only a finished worker's own code counts; 259 is what the
    // system reports for a thread that has not ended.
    static uint32_t afterWait(bool ended, bool read, uint32_t code);

private:
    static uint32_t afterConsent(Steps& steps);
    static uint32_t askAfterNoAnswer(Steps& steps);
    static int failurePage(int32_t result);
};
