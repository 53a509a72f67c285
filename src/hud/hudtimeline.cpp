// SPDX-License-Identifier: GPL-3.0-or-later
#include "hud/hudtimeline.h"

#include <algorithm>

namespace quietlane {

void HudTimeline::startWatching(TimePoint now) {
    m_watchStart = now;
}

bool HudTimeline::isReady(TimePoint now) const {
    return m_watchStart && now - *m_watchStart >= kGrace;
}

bool HudTimeline::present(TimePoint now) {
    if (!isReady(now))
        return false;
    m_presentedAt = now;
    return true;
}

HudTimeline::Phase HudTimeline::phase(TimePoint now) const {
    if (!m_presentedAt)
        return Phase::hidden;
    const Duration shown = now - *m_presentedAt;
    if (shown < kHold)
        return Phase::holding;
    if (shown < kHold + kFade)
        return Phase::fading;
    return Phase::hidden;
}

double HudTimeline::opacity(TimePoint now) const {
    switch (phase(now)) {
    case Phase::holding:
        return 1.0;
    case Phase::fading: {
        const auto intoFade = std::chrono::duration<double>(now - *m_presentedAt - kHold);
        const auto fade = std::chrono::duration<double>(kFade);
        return std::clamp(1.0 - intoFade / fade, 0.0, 1.0);
    }
    case Phase::hidden:
        break;
    }
    return 0.0;
}

std::optional<HudTimeline::TimePoint> HudTimeline::nextChange(TimePoint now) const {
    switch (phase(now)) {
    case Phase::holding:
        return *m_presentedAt + kHold;
    case Phase::fading:
        return *m_presentedAt + kHold + kFade;
    case Phase::hidden:
        break;
    }
    return std::nullopt;
}

} // namespace quietlane
