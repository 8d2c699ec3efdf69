#include "reference_tracker.h"

#include <algorithm>
#include <cstdlib>

namespace {

void Decode(std::uint16_t p, int &r, int &g, int &b) {
  r = (p >> 11) << 3;
  g = ((p >> 5) & 63) << 2;
  b = (p & 31) << 3;
}

// |a - b| of two 32-bit sums, wrapping the way 32-bit registers do.
std::uint32_t WrappedDistance(std::int32_t a, std::int32_t b) {
  std::uint32_t d = static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b);
  return static_cast<std::int32_t>(d) < 0 ? 0u - d : d;
}

} // namespace

ReferenceTracker::ReferenceTracker(int width, int height, int blockSize, int mode, bool perChannel)
    : width(width), height(height), blockSize(blockSize), mode(mode), perChannel(perChannel),
      gridWidth(width / blockSize), gridHeight(height / blockSize) {
  for (int c = 0; c < 3; ++c) {
    for (int s = 0; s < 2; ++s) {
      columns[s][c].assign(width, 0);
      rows[s][c].assign(height, 0);
    }
    blocks[c].assign(gridWidth * gridHeight, 0);
    previousBlocks[c].assign(gridWidth * gridHeight, 0);
  }
}

void ReferenceTracker::Process(const std::uint16_t *pixels) {
  Accumulate(pixels);
  banded = frameCount > 0 && mode != 2 && Banded();
  if (frameCount > 0) {
    if (mode != 2)
      MatchBlocks();
    if (mode != 1)
      MatchProfiles();
    Combine();
  }
  currentSet = 1 - currentSet;
  ++frameCount;
}

void ReferenceTracker::Accumulate(const std::uint16_t *pixels) {
  for (int c = 0; c < Channels(); ++c) {
    if (mode != 1) {
      columns[currentSet][c].assign(width, 0);
      rows[currentSet][c].assign(height, 0);
    }
    if (mode != 2) {
      previousBlocks[c] = blocks[c];
      blocks[c].assign(gridWidth * gridHeight, 0);
    }
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int rgb[3];
      Decode(pixels[y * width + x], rgb[0], rgb[1], rgb[2]);
      const int s = rgb[0] + rgb[1] + rgb[2];
      const bool inBlock = x / blockSize < gridWidth && y / blockSize < gridHeight;
      const int b = (y / blockSize) * gridWidth + x / blockSize;
      for (int c = 0; c < Channels(); ++c) {
        const int value = perChannel ? rgb[c] : s;
        if (mode != 1) {
          columns[currentSet][c][x] += value;
          rows[currentSet][c][y] += value;
        }
        if (mode != 2 && inBlock)
          blocks[c][b] += perChannel ? value : s / 3;
      }
    }
  }
}

namespace {

template <typename T> T UpperMedian(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

} // namespace

bool ReferenceTracker::Banded() const {
  double sum = 0, sumSquares = 0, split = 0;
  for (int y = 0; y < gridHeight; ++y) {
    float gain[2];
    for (int h = 0; h < 2; ++h) {
      std::vector<float> ratios;
      for (int x = h == 0 ? 0 : gridWidth / 2; x < (h == 0 ? gridWidth / 2 : gridWidth); ++x) {
        std::int64_t now = 0, before = 0;
        for (int c = 0; c < Channels(); ++c) {
          now += blocks[c][y * gridWidth + x];
          before += previousBlocks[c][y * gridWidth + x];
        }
        if (before > 0)
          ratios.push_back(static_cast<float>(now) / static_cast<float>(before));
      }
      gain[h] = ratios.empty() ? 1.0f : UpperMedian(ratios);
    }
    const double common = (static_cast<double>(gain[0]) + gain[1]) / 2;
    const double half = (static_cast<double>(gain[0]) - gain[1]) / 2;
    sum += common;
    sumSquares += common * common;
    split += half * half;
  }
  const double mean = sum / gridHeight;
  const double common = std::max(0.0, sumSquares / gridHeight - mean * mean);
  return common > 0.0015 * 0.0015 && common > 4.0 * (split / gridHeight);
}

std::vector<std::int32_t> ReferenceTracker::EvenRows(const std::vector<std::int32_t> *maps,
                                                     std::int64_t &level) const {
  std::vector<std::int64_t> medians;
  for (int y = 0; y < gridHeight; ++y) {
    std::vector<std::int64_t> row;
    for (int x = 0; x < gridWidth; ++x) {
      std::int64_t v = 0;
      for (int c = 0; c < Channels(); ++c)
        v += maps[c][y * gridWidth + x];
      row.push_back(v);
    }
    medians.push_back(std::max<std::int64_t>(1, UpperMedian(row)));
  }
  if (level == 0)
    level = UpperMedian(medians);
  std::vector<std::int32_t> out(static_cast<std::size_t>(Channels()) * gridWidth * gridHeight);
  for (int c = 0; c < Channels(); ++c)
    for (int y = 0; y < gridHeight; ++y) {
      const float scale = static_cast<float>(level) / static_cast<float>(medians[y]);
      for (int x = 0; x < gridWidth; ++x)
        out[(static_cast<std::size_t>(c) * gridHeight + y) * gridWidth + x] =
            static_cast<std::int32_t>(static_cast<float>(maps[c][y * gridWidth + x]) * scale + 0.5f);
    }
  return out;
}

void ReferenceTracker::MatchBlocks() {
  const int hw = gridWidth / 2, hh = gridHeight / 2;
  // A banded frame compares maps whose rows are evened out.
  std::vector<std::int32_t> current[3] = {blocks[0], blocks[1], blocks[2]};
  std::vector<std::int32_t> previous[3] = {previousBlocks[0], previousBlocks[1], previousBlocks[2]};
  if (banded) {
    std::int64_t level = 0;
    const std::vector<std::int32_t> evenCurrent = EvenRows(blocks, level);
    const std::vector<std::int32_t> evenPrevious = EvenRows(previousBlocks, level);
    const std::size_t n = static_cast<std::size_t>(gridWidth) * gridHeight;
    for (int c = 0; c < Channels(); ++c) {
      current[c].assign(evenCurrent.begin() + c * n, evenCurrent.begin() + (c + 1) * n);
      previous[c].assign(evenPrevious.begin() + c * n, evenPrevious.begin() + (c + 1) * n);
    }
  }
  std::int64_t total = 0;
  std::int32_t best = 1000000000;
  int bestDx = -1, bestDy = -1;
  std::vector<std::int32_t> sadOf(static_cast<std::size_t>(hw) * hh);
  for (int dy = hh - 1; dy >= 0; --dy) {
    for (int dx = hw - 1; dx >= 0; --dx) {
      std::uint32_t sad = 0;
      for (int row = 0; row < hh; ++row) {
        for (int col = 0; col < hw; ++col) {
          const int cur = (hh / 2 + row) * gridWidth + hw / 2 + col;
          const int prev = (dy + row) * gridWidth + dx + col;
          if (perChannel) {
            for (int c = 0; c < 3; ++c)
              sad += WrappedDistance(current[c][cur], previous[c][prev]) / 3;
          } else {
            sad += WrappedDistance(current[0][cur], previous[0][prev]);
          }
        }
      }
      const std::int32_t score = static_cast<std::int32_t>(sad);
      sadOf[dy * hw + dx] = score;
      total += score;
      if (score < best) {
        best = score;
        bestDx = dx;
        bestDy = dy;
      }
    }
  }
  const float mean = static_cast<float>(total / (static_cast<std::int64_t>(hh) * hw));
  if (bestDx >= 0 && mean > static_cast<float>(best) * blockPeakRatio &&
      mean > (static_cast<float>(hh) * static_cast<float>(hw)) * blockMinContrast) {
    blockX = (hw / 2 - bestDx) * blockSize;
    blockY = (hh / 2 - bestDy) * blockSize;
    blockValid = true;
    if (banded) {
      // Each axis must stand out along itself too.
      std::int64_t along = 0, across = 0;
      for (int dx = 0; dx < hw; ++dx)
        along += sadOf[bestDy * hw + dx];
      for (int dy = 0; dy < hh; ++dy)
        across += sadOf[dy * hw + bestDx];
      const bool clearX = static_cast<float>(along / hw) > static_cast<float>(best) * blockPeakRatio;
      const bool clearY = static_cast<float>(across / hh) > static_cast<float>(best) * blockPeakRatio;
      blockX = clearX ? blockX : 0;
      blockY = clearY ? blockY : 0;
      blockValid = clearX || clearY;
    }
  } else {
    blockX = blockY = 0;
    blockValid = false;
  }
}

bool ReferenceTracker::AxisSearch(int n, bool columnsAxis, int &result) const {
  const int half = n / 2;
  std::int64_t total = 0, best = 0;
  int bestD = 0;
  for (int s = n - 1; s >= 0; --s) {
    const int d = s - half;
    std::int64_t sum = 0, pairs = 0;
    for (int j = 0; j < n; ++j) {
      if (j + d < 0 || j + d >= n)
        continue;
      ++pairs;
      for (int c = 0; c < Channels(); ++c) {
        const auto &cur = columnsAxis ? columns[currentSet][c] : rows[currentSet][c];
        const auto &prev = columnsAxis ? columns[1 - currentSet][c] : rows[1 - currentSet][c];
        const std::int64_t a = static_cast<std::int32_t>(static_cast<std::uint32_t>(cur[j + d]));
        const std::int64_t b = static_cast<std::int32_t>(static_cast<std::uint32_t>(prev[j]));
        sum += perChannel ? std::llabs(a - b) / 3 : std::llabs(a - b);
      }
    }
    const std::int64_t score = sum / pairs;
    total += score;
    if (s == n - 1 || score < best) {
      best = score;
      bestD = d;
    }
  }
  const float meanAll = static_cast<float>(total / n);
  const bool accepted = meanAll > static_cast<float>(best) * profilePeakRatio &&
                        meanAll > static_cast<float>(n) * profileMinContrast;
  result = accepted ? bestD : 0;
  return accepted;
}

void ReferenceTracker::MatchProfiles() {
  const bool x = AxisSearch(width, true, profileX);
  const bool y = AxisSearch(height, false, profileY);
  profileValid = x && y;
}

void ReferenceTracker::Combine() {
  // Axis by axis, the smaller of two estimates of one sign, else 0.
  auto merge = [](int a, int b) {
    return (a > 0 && b > 0) || (a < 0 && b < 0) ? (std::abs(a) < std::abs(b) ? a : b) : 0;
  };
  if (mode == 1 || (mode == 0 && blockValid && !profileValid)) {
    reportX = blockX;
    reportY = blockY;
  } else if (mode == 2 || (mode == 0 && profileValid && !blockValid)) {
    reportX = profileX;
    reportY = profileY;
  } else {
    reportX = merge(blockX, profileX);
    reportY = merge(blockY, profileY);
  }
  reportValid = mode == 1 ? blockValid : mode == 2 ? profileValid : blockValid || profileValid;
}
