// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quietlane {

/// One running instance per user. The first launch listens on a socket in the user's
/// runtime directory; a later plain launch asks it to open the settings window instead.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    /// `socketPath` empty: $XDG_RUNTIME_DIR/quietlane/instance (the temp dir per user
    /// when XDG_RUNTIME_DIR is unset).
    explicit SingleInstance(QString socketPath = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Outcome {
        /// This process is the instance and listens for later launches.
        primary,
        /// Another instance runs and took the request to open its settings.
        forwarded,
        /// No socket could be made (`error` says why); the caller may run anyway.
        failed,
    };

    /// Forwards to a running instance or becomes the instance. Two launches at the same
    /// moment are serialised by a lock file, so exactly one of them becomes primary.
    Outcome claim(QString& error);

    const QString& socketPath() const { return m_socketPath; }

signals:
    /// Another launch asked this instance to show its settings window.
    void settingsRequested();

private:
    bool forwardToRunningInstance();
    bool listen(QString& error);
    void onNewConnection();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};

} // namespace quietlane
