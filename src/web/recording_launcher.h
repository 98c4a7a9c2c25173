#pragma once

// A Launcher that starts nothing and remembers each call, for the tests of every window
// that opens addresses.

#include "web/launcher.h"

#include <vector>

namespace veskor {

class RecordingLauncher : public Launcher {
public:
    struct Call {
        enum Kind { OpenUrl, OpenInBrowser };
        Kind kind;
        QString address;
        int showState;

        bool operator==(const Call&) const = default;
    };

    void openurl(const QString& addressOrPath) override { calls.push_back({Call::OpenUrl, addressOrPath, SW_SHOWNORMAL}); }
    void openinbrowser(const QString& address, int showState) override
    {
        calls.push_back({Call::OpenInBrowser, address, showState});
    }

    const Call* last() const { return calls.empty() ? nullptr : &calls.back(); }
    void clear() { calls.clear(); }

    std::vector<Call> calls;
};

} // namespace veskor
