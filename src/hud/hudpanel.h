// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/paintcache.h"

#include <QWidget>

#include <utility>

namespace quietlane {

class WindowHints;

/// The indicator window: a 160 × 140 glass tile with the microphone and the word for the
/// new state. It never takes focus and clicks go through it to what lies beneath.
class HUDPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 140;

    explicit HUDPanel(WindowHints& hints);

    void setMuted(bool muted);
    bool isMuted() const { return m_muted; }

    /// Draws the tile; also used for screenshots without a window.
    static void paintTile(QPainter& painter, const QRectF& frame, bool muted, bool dark);
    static QString word(bool muted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_muted = false;
    // (muted, dark)
    PaintCache<std::pair<bool, bool>> m_paintCache;
};

} // namespace quietlane
