// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/microphonecontroller.h"

#include "audio/audiodeviceservice.h"
#include "base/preferences.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>

namespace quietlane {

namespace {
constexpr const char* kSelectionKey = DeviceSelection::kPreferencesKey;
}

MicrophoneController::MicrophoneController(AudioServer& soundServer, Preferences& preferences,
                                           QObject* parent)
    : QObject(parent), m_preferences(preferences) {
    // The worker posts from its own thread; a queued call on this object runs on the main
    // thread, and the service drops states that arrive after it is gone.
    m_service = std::make_unique<AudioDeviceService>(
        soundServer, preferences, [this](std::function<void()> task) {
            QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
        });
    setSelection(DeviceSelection::restore(m_preferences.data(kSelectionKey)));
    m_service->setOnState([controller = QPointer(this)](const MicState& state) {
        if (controller)
            controller->applyState(state);
    });
    m_service->start(m_selection);
}

// The service must be gone (worker joined) before the QObject part is torn down, because
// the worker posts to this object.
MicrophoneController::~MicrophoneController() {
    m_service.reset();
}

void MicrophoneController::setSelection(const DeviceSelection& selection) {
    const bool changed = !(selection == m_selection);
    m_selection = selection;
    // A failed write is logged by the store; the selection still applies for this run.
    m_preferences.setData(kSelectionKey, m_selection.encode());
    m_service->setSelection(m_selection);
    if (changed)
        emit selectionChanged();
}

void MicrophoneController::whenSettled(std::function<void()> done) {
    m_service->afterPendingWork(std::move(done));
}

bool MicrophoneController::intendedMuted() const {
    return m_service->intendedMuted();
}

bool MicrophoneController::lastRequestedMuted() const {
    return m_service->lastRequestedMuted();
}

void MicrophoneController::toggle() {
    const bool wanted = !intendedMuted();
    m_service->toggle();
    noteRequest(wanted);
}

void MicrophoneController::setMuted(bool muted) {
    m_service->setMuted(muted);
    noteRequest(muted);
}

// After the request is queued, so that waiting for the devices to settle covers it.
void MicrophoneController::noteRequest(bool muted) {
    const std::uint64_t number = ++m_requestCount;
    m_requestsInFlight.emplace(number, muted);
    whenSettled([self = QPointer(this), number] {
        if (self)
            self->m_requestsInFlight.erase(number);
    });
}

void MicrophoneController::applyState(const MicState& state) {
    if (m_isAvailable != state.isAvailable) {
        m_isAvailable = state.isAvailable;
        emit isAvailableChanged(m_isAvailable);
    }
    // Without a server the state says "not muted" only because nothing is there; showing
    // that as a live microphone (and flashing it on the indicator) would be a lie.
    if (state.isAvailable && m_isMuted != state.isMuted) {
        m_isMuted = state.isMuted;
        const auto ours =
            std::find_if(m_requestsInFlight.begin(), m_requestsInFlight.end(),
                         [&](const auto& request) { return request.second == state.isMuted; });
        m_lastChangeRequested = ours != m_requestsInFlight.end();
        if (m_lastChangeRequested)
            m_requestsInFlight.erase(ours);
        emit isMutedChanged(m_isMuted);
    }
    if (state.isAvailable && m_usingVolumeFallback != state.usingVolumeFallback) {
        m_usingVolumeFallback = state.usingVolumeFallback;
        emit usingVolumeFallbackChanged(m_usingVolumeFallback);
    }
    std::optional<QString> name;
    if (state.activeDeviceName)
        name = QString::fromStdString(*state.activeDeviceName);
    if (m_activeDeviceName != name) {
        m_activeDeviceName = std::move(name);
        emit activeDeviceNameChanged();
    }
    if (m_availableDevices != state.devices) {
        m_availableDevices = state.devices;
        emit availableDevicesChanged();
    }
}

} // namespace quietlane
