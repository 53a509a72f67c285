// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>

#include <utility>
#include <vector>

namespace quietlane {

/// A window's drawing kept as an image per look, so repainting a look it had before is one
/// copy instead of antialiased paths, gradients and text. Mute changes repaint the widget
/// and the indicator at the very moment the sound server tells every other client about
/// the change, and on a loaded machine that drawing delays them.
template <typename Look> class PaintCache {
public:
    /// Draws `look` with `draw(QPainter&)` into the painter's device (at 0, 0), from the
    /// cache when the same look at the same size was drawn before.
    template <typename Draw>
    void paint(QPainter& painter, const Look& look, QSize size, qreal ratio, Draw draw) {
        const QImage* image = find(look, size, ratio);
        if (!image) {
            QImage fresh(size * ratio, QImage::Format_ARGB32_Premultiplied);
            fresh.setDevicePixelRatio(ratio);
            fresh.fill(Qt::transparent);
            QPainter imagePainter(&fresh);
            draw(imagePainter);
            imagePainter.end();
            // Two looks (muted and live) are what a run repaints; a theme or opacity change
            // makes the older ones stale for good.
            if (m_entries.size() >= 2)
                m_entries.erase(m_entries.begin());
            m_entries.emplace_back(look, std::move(fresh));
            image = &m_entries.back().second;
        }
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, *image);
        painter.restore();
    }

private:
    const QImage* find(const Look& look, QSize size, qreal ratio) const {
        for (const auto& [cached, image] : m_entries) {
            if (cached == look && image.deviceIndependentSize().toSize() == size &&
                image.devicePixelRatio() == ratio)
                return &image;
        }
        return nullptr;
    }

    std::vector<std::pair<Look, QImage>> m_entries;
};

} // namespace quietlane
