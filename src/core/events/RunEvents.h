// What a run reports, as typed events. The passes and the replacement step emit them; the
// log, the preview's diff and whoever else subscribes take them, each in the order they
// happen, on the run's own thread.
//
// A file's events come between its FileBegun and the next file's: what the file had to say
// refers to the file begun last.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace kesto {

// The next file of the list is taken up, under the name the list gives it.
struct FileBegun {
    std::string_view path;
};

// The file begun is left as it was, and why: it could not or may not be changed.
struct FileRefused {
    std::string_view reason;
};

// The file begun is left as it was because it held nothing to change.
struct FileLeftAlone {
    std::string_view reason;
};

// A line of the file begun was changed (a change across lines is reported at its first).
// The report expands its tabs for `tabSpaces`, or shows it as it is without.
struct LineChanged {
    int lineNumber = 0;
    std::string_view before;
    std::string_view after;
    std::optional<int> tabSpaces;
};

// A line of the report that is no line change: what a file came to, a warning about it, or
// changed lines as a worker ahead of the run worded them.
struct ReportLine {
    std::string_view text;
};

// The file `path` (the file itself, not a link to it) was rewritten, or in a preview would
// have been. A preview gives its bytes, `before`, and its new content, `after`, for a
// subscriber that wants it; a run that writes gives neither (a worker that wrote the new
// file kept the old bytes). Both are the bytes on disk; with `decoded` they are UTF-16 or
// UTF-32 text, which the passes saw decoded, and whose lines are not what patch tools take
// for lines.
struct FileRewritten {
    std::string_view path;
    std::string_view before;
    std::optional<std::string_view> after;
    bool decoded = false;
};

// The user stopped the run before its last file; `line` says so in the log.
struct RunStopped {
    std::string_view line;
};

class RunEventSink {
public:
    virtual ~RunEventSink() = default;

    virtual void On(const FileBegun&) {}
    virtual void On(const FileRefused&) {}
    virtual void On(const FileLeftAlone&) {}
    virtual void On(const LineChanged&) {}
    virtual void On(const ReportLine&) {}
    virtual void On(const FileRewritten&) {}
    virtual void On(const RunStopped&) {}
    // Whether a preview should keep each new content for FileRewritten.
    virtual bool WantsNewContent() const { return false; }
};

// Hands every event to each subscriber, in the order they subscribed.
class RunEvents : public RunEventSink {
public:
    void Subscribe(RunEventSink& sink);
    void Unsubscribe(RunEventSink& sink);

    void On(const FileBegun& event) override { Send(event); }
    void On(const FileRefused& event) override { Send(event); }
    void On(const FileLeftAlone& event) override { Send(event); }
    void On(const LineChanged& event) override { Send(event); }
    void On(const ReportLine& event) override { Send(event); }
    void On(const FileRewritten& event) override { Send(event); }
    void On(const RunStopped& event) override { Send(event); }
    bool WantsNewContent() const override;

private:
    template <typename Event>
    void Send(const Event& event) {
        for (RunEventSink* sink : m_sinks) sink->On(event);
    }

    std::vector<RunEventSink*> m_sinks;
};

}  // namespace kesto
