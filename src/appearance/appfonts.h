// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QStringList>

namespace quietlane::AppFonts {

/// Registers the Inter faces for this process, so that they are found even when the
/// program is installed to a prefix the font configuration does not search. A missing
/// face is logged; texts asking for it fall back to the system's sans font.
void registerBundled(const QStringList& searchDirectories = {});

enum class Weight { regular, medium, semibold };

/// The interface font: Inter in the face for `weight`, at `pointSize`.
QFont interfaceFont(double pointSize, Weight weight = Weight::regular);

} // namespace quietlane::AppFonts
