// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"

#include <string>

namespace quietlane {

/// The per-user socket through which launches and the command line reach the running
/// instance, and the directory that keeps it private.
struct ChannelLocation {
    std::string directory;
    std::string socket;

    /// $XDG_RUNTIME_DIR/quietlane/instance, or $TMPDIR (else /tmp) /quietlane-<uid>/instance
    /// without one.
    static ChannelLocation standard();
    /// The socket at `socketPath`, in the directory that holds it.
    static ChannelLocation at(const std::string& socketPath);
};

enum class DirectoryCheck {
    /// A directory (not a link) of this user's that no other user can enter.
    isPrivate,
    missing,
};

/// Checks `directory` without following a symbolic link in its last component. Anything
/// else there (another user's, open to others, a link, not a directory) is a failure that
/// says what is wrong and what to do.
Result<DirectoryCheck> checkPrivateDirectory(const std::string& directory);

/// Creates `directory` with mode 0700 when it is missing (its parent too, as a runtime
/// directory may not exist yet in a bare session) and then checks it. A directory that
/// exists is never changed: one that is not private is refused.
Result<void> preparePrivateDirectory(const std::string& directory);

} // namespace quietlane
