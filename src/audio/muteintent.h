// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace quietlane {

/// What the user wants the selected microphones to be.
///
/// Our request is the intent until the server has answered every write made for it, however
/// late: a stalled server that wakes up must end in the last requested state, and a report
/// that arrives meanwhile is the server catching up, not someone's choice. Once everything
/// is answered, what the server reports is the intent: another program's change stands and
/// is never written over, and devices that join later follow it.
///
/// Nothing here is re-applied: the server gets our writes one at a time, so it cannot let
/// an earlier one land on a later one.
class MuteIntent {
public:
    /// Nothing until a request was made or the server reported a state.
    std::optional<bool> wanted() const { return m_wanted; }
    bool awaitingAnswers() const { return m_unanswered > 0; }

    /// What a toggle asks for: the opposite of our request while it is on its way,
    /// otherwise of what the server reports at this moment.
    bool toggled(bool reported) const {
        return awaitingAnswers() && m_wanted ? !*m_wanted : !reported;
    }

    void request(bool muted) { m_wanted = muted; }
    void writeSent() { ++m_unanswered; }
    void writeAnswered() {
        if (m_unanswered > 0)
            --m_unanswered;
    }
    /// A state the server reports for the selected microphones.
    void reported(bool muted) {
        if (!awaitingAnswers())
            m_wanted = muted;
    }

private:
    std::optional<bool> m_wanted;
    int m_unanswered = 0;
};

} // namespace quietlane
