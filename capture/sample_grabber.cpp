#include "capture/sample_grabber.h"

#include <cstring>

#include "capture/frame_snapshot.h"
#include "motion/camera_tracker.h"

namespace {

std::mutex g_pacingLock;
CapturePacing g_pacing;

constexpr std::uint32_t BI_BITFIELDS = 3;

} // namespace

void SetCapturePacing(const CapturePacing &pacing) {
  std::lock_guard<std::mutex> hold(g_pacingLock);
  g_pacing = pacing;
}

CapturePacing CurrentCapturePacing() {
  std::lock_guard<std::mutex> hold(g_pacingLock);
  return g_pacing;
}

CSampleGrabber::CSampleGrabber() : m_pacing(CurrentCapturePacing()) {}

HRESULT CSampleGrabber::CheckMediaType(const VideoType &type) {
  if (type.format != "RGB16" || m_pTracker == nullptr)
    return E_FAIL;
  if (type.width <= 0 || type.height <= 0)
    return E_FAIL;

  BITMAPINFOHEADER header;
  header.biWidth = type.width;
  // Frames reach the tracker bottom row first, as a bitmap with a positive height.
  header.biHeight = type.height;
  header.biBitCount = 16;
  header.biCompression = BI_BITFIELDS;
  header.biSizeImage = static_cast<std::uint32_t>(type.width) * static_cast<std::uint32_t>(type.height) * 2;
  m_pTracker->format = header;
  m_configured = m_pTracker->ConfigureFormat();
  if (!m_configured)
    return E_FAIL;
  m_width = type.width;
  m_height = type.height;
  m_packed.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0);
  return S_OK;
}

HRESULT CSampleGrabber::DoRenderSample(const MediaSample &sample) {
  // Exchange rather than test-then-set, so two delivering threads cannot both get in.
  if (m_bBusy.exchange(true))
    return S_FALSE;
  HRESULT result = S_FALSE;
  if (const int mode = m_pendingMode.exchange(-1); mode >= 0 && m_pTracker != nullptr) {
    m_pTracker->SetMode(mode, false, m_pTracker->gridTarget);
    m_configured = m_pTracker->ConfigureFormat();
  }
  if (m_configured && sample.topRow != nullptr && sample.width == m_width && sample.height == m_height &&
      sample.stride >= static_cast<std::size_t>(m_width) * 2) {
    // GStreamer rows are top first and padded to 4 bytes; the tracker wants packed rows,
    // bottom first, so positive y is upwards in the picture.
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 2;
    std::uint16_t *out = m_packed.data();
    for (int y = m_height - 1; y >= 0; --y, out += m_width)
      std::memcpy(out, sample.topRow + static_cast<std::size_t>(y) * sample.stride, rowBytes);
    m_lastAgeUs.store(sample.ageUs, std::memory_order_relaxed);
    m_pTracker->ProcessFrame(m_packed.data());
    if (FramesWatched())
      PublishFrame(m_packed.data(), m_width, m_height, m_pTracker->figures, sample.ageUs);
    Pause();
    result = S_OK;
  }
  m_bBusy = false;
  return result;
}

void CSampleGrabber::RequestTrackingMode(int mode) { m_pendingMode.store(mode < 0 ? 0 : mode); }

void CSampleGrabber::Pause() {
  if (m_pacing.virtualWait != nullptr) {
    m_pacing.virtualWait(m_pacing.pause);
    return;
  }
  std::unique_lock<std::mutex> hold(m_lock);
  m_wake.wait_for(hold, m_pacing.pause, [this] { return m_unlocked; });
}

void CSampleGrabber::Unlock() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_unlocked = true;
  }
  m_wake.notify_all();
}

void CSampleGrabber::UnlockStop() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_unlocked = false;
}
