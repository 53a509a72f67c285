// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

namespace quietlane {

/// What the window manager must be told about the floating widget that the toolkit has no
/// words for.
class WindowHints {
public:
    virtual ~WindowHints() = default;

    /// Marks a window that is not mapped yet to show on every virtual desktop, above
    /// ordinary windows and outside task bars and pagers.
    virtual void makeFloating(std::uint32_t window) = 0;

    /// Whether a compositing manager blends translucent windows; without one, round
    /// windows need a shape mask to lose their corners.
    virtual bool isCompositing() const = 0;
};

/// For sessions without X (Wayland, offscreen): nothing to tell, and translucency is
/// assumed to work.
class NullWindowHints final : public WindowHints {
public:
    void makeFloating(std::uint32_t) override {}
    bool isCompositing() const override { return true; }
};

/// Hints for the toolkit's X connection (an xcb_connection_t), or ones that do nothing
/// when `xcbConnection` is null (Wayland, offscreen).
std::unique_ptr<WindowHints> createWindowHints(void* xcbConnection);

} // namespace quietlane
