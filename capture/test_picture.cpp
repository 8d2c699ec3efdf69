#include "capture/test_picture.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

// The texture wraps around, so the picture can move in one direction for ever.
constexpr int kTextureSide = 512;
constexpr int kCell = 8;
constexpr int kTourStep = 4;
constexpr int kTourLeg = 40;
constexpr GstClockTime kFrameTime = 50 * GST_MSECOND;

struct MovingPicture {
  int tourStep = kTourStep;
  int width = 0;
  int height = 0;
  int stepX = 0;
  int stepY = 0;
  int originX = 0;
  int originY = 0;
  guint64 frame = 0;
  std::vector<std::uint16_t> texture;
  GstBufferPool *pool = nullptr;
};

std::vector<std::uint16_t> MakeTexture() {
  std::mt19937 random(20260);
  std::uniform_int_distribution<int> channel(0, 255);
  std::uniform_int_distribution<int> grain(-12, 12);
  std::vector<std::uint16_t> cells((kTextureSide / kCell) * (kTextureSide / kCell));
  for (std::uint16_t &cell : cells)
    cell = static_cast<std::uint16_t>(channel(random));
  std::vector<std::uint16_t> texture(static_cast<size_t>(kTextureSide) * kTextureSide);
  for (int y = 0; y < kTextureSide; ++y) {
    for (int x = 0; x < kTextureSide; ++x) {
      int grey = cells[static_cast<size_t>((y / kCell) * (kTextureSide / kCell) + x / kCell)] + grain(random);
      grey = std::clamp(grey, 0, 255);
      int r = grey >> 3, g = ((grey + x) & 255) >> 2, b = ((grey + y) & 255) >> 3;
      texture[static_cast<size_t>(y) * kTextureSide + x] =
          static_cast<std::uint16_t>((r << 11) | (g << 5) | b);
    }
  }
  return texture;
}

int Wrap(int v) { return ((v % kTextureSide) + kTextureSide) % kTextureSide; }

void Advance(MovingPicture &p) {
  int dx = p.stepX, dy = p.stepY;
  if (dx == 0 && dy == 0) {
    static const int legs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const int *leg = legs[(p.frame / kTourLeg) % 4];
    dx = leg[0] * p.tourStep;
    dy = leg[1] * p.tourStep;
  }
  // Content moving right means the window onto the texture moves left; moving up in the
  // picture (rows top first) means the window moves down.
  p.originX = Wrap(p.originX - dx);
  p.originY = Wrap(p.originY + dy);
}

void NeedData(GstAppSrc *source, guint, gpointer data) {
  MovingPicture &p = *static_cast<MovingPicture *>(data);
  GstBuffer *buffer = nullptr;
  if (gst_buffer_pool_acquire_buffer(p.pool, &buffer, nullptr) != GST_FLOW_OK)
    return;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
    gst_buffer_unref(buffer);
    return;
  }
  const size_t stride = GST_ROUND_UP_4(static_cast<size_t>(p.width) * 2);
  for (int y = 0; y < p.height; ++y) {
    auto *row = reinterpret_cast<std::uint16_t *>(map.data + static_cast<size_t>(y) * stride);
    const std::uint16_t *textureRow = &p.texture[static_cast<size_t>(Wrap(p.originY + y)) * kTextureSide];
    // Whole runs up to the texture's right edge, then again from its left edge.
    for (int x = 0, from = p.originX; x < p.width;) {
      const int run = std::min(p.width - x, kTextureSide - from);
      std::memcpy(row + x, textureRow + from, static_cast<size_t>(run) * 2);
      x += run;
      from = 0;
    }
  }
  gst_buffer_unmap(buffer, &map);
  GST_BUFFER_PTS(buffer) = p.frame * kFrameTime;
  GST_BUFFER_DURATION(buffer) = kFrameTime;
  ++p.frame;
  Advance(p);
  gst_app_src_push_buffer(source, buffer);
}

void FreePicture(gpointer data) {
  auto *p = static_cast<MovingPicture *>(data);
  if (p->pool != nullptr) {
    gst_buffer_pool_set_active(p->pool, FALSE);
    gst_object_unref(p->pool);
  }
  delete p;
}

} // namespace

GstElement *CreateTestPicture(int width, int height, int stepX, int stepY) {
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
    return nullptr;
  GstElement *element = gst_element_factory_make("appsrc", nullptr);
  if (element == nullptr)
    return nullptr;
  GstCaps *caps =
      gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB16", "width", G_TYPE_INT, width,
                          "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, 20, 1, nullptr);
  auto *picture = new MovingPicture;
  picture->width = width;
  picture->height = height;
  // A step of about a tracker block, so the tour steers at any size.
  picture->tourStep = std::max(kTourStep, std::max(width, height) / 40);
  picture->stepX = stepX;
  picture->stepY = stepY;
  picture->texture = MakeTexture();
  picture->pool = gst_buffer_pool_new();
  GstStructure *config = gst_buffer_pool_get_config(picture->pool);
  gst_buffer_pool_config_set_params(config, caps, static_cast<guint>(GST_ROUND_UP_4(width * 2) * height), 2,
                                    0);
  if (!gst_buffer_pool_set_config(picture->pool, config) ||
      !gst_buffer_pool_set_active(picture->pool, TRUE)) {
    gst_caps_unref(caps);
    FreePicture(picture);
    gst_object_unref(gst_object_ref_sink(element));
    return nullptr;
  }
  g_object_set(element, "caps", caps, "format", GST_FORMAT_TIME, "max-buffers", static_cast<guint64>(2),
               nullptr);
  gst_caps_unref(caps);
  GstAppSrcCallbacks callbacks = {};
  callbacks.need_data = NeedData;
  gst_app_src_set_callbacks(GST_APP_SRC(element), &callbacks, picture, FreePicture);
  return element;
}
