// Rate displays: a peak set as it sounds through a rate map, so the waveform
// shows a stretched or squeezed sound where it is heard.
#include "tonecore/peaks/rate_display.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <string>

#include "platform/last_error.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/maps/event_map.h"
#include "tonecore/maps/event_map_values.h"
#include "tonecore/peaks/peak_record.h"
#include "tonecore/peaks/peak_stream_window.h"
#include "tonecore/peaks/peaks.h"

CRateArea::CRateArea(const CMap* rateMap, std::uint32_t msPerPeak) {
    if (rateMap == nullptr) return;
    double area = 0.0;
    double lastX = 0.0;
    double lastRate = 1.0;
    std::int32_t time = 0;
    for (int index = 0;; ++index) {
        const _tvol_pan_data* event = rateMap->GetNextEvent(MAP_RATE, index, &time);
        if (event == nullptr) break;
        const double x = double(time) / msPerPeak;
        const double rate = mapvalues::Read(event);
        // Before the first point the rate is 1.0 and flat; between points it
        // runs linearly.
        const double from = points_.empty() ? 1.0 : lastRate;
        const double to = points_.empty() ? 1.0 : rate;
        area += (x - lastX) * (from + to) * 0.5;
        points_.push_back({x, rate, area});
        lastX = x;
        lastRate = rate;
    }
}

double CRateArea::Until(double x) const {
    if (points_.empty() || x <= points_.front().x) return x;
    // The last point at or before x.
    auto after = std::upper_bound(points_.begin(), points_.end(), x,
                                  [](double value, const TPoint& p) { return value < p.x; });
    const TPoint& p = *(after - 1);
    if (after == points_.end()) return p.areaBefore + (x - p.x) * p.rate;
    const double span = after->x - p.x;
    const double rateAtX = span > 0.0 ? p.rate + (after->rate - p.rate) * (x - p.x) / span : p.rate;
    return p.areaBefore + (x - p.x) * (p.rate + rateAtX) * 0.5;
}

namespace {

// Numbers the rate display files of this process; raised before each use.
std::atomic<int> rateDisplayCounter{0};

}  // namespace

CPeaks* CPeaks::GenerateRateDisplay(const CMap* rateMap, std::int32_t length,
                                    std::uint32_t msPerPeak) {
    if (msPerPeak == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::uint32_t sourceN = GetNumPeaks();
    if (sourceN == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::int64_t wanted = std::int64_t(length) / std::int64_t(msPerPeak);
    const auto n = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 2, INT32_MAX));
    auto* out = new (std::nothrow) CPeaks(msPerPeak, n);
    if (out == nullptr || out->GetDataPtr() == nullptr) {
        delete out;
        return nullptr;
    }
    const int toFile = out->IsStreaming() == kPeaksInFile ? 1 : 0;
    if (toFile) {
        // Named after the source's file; a source held only in memory names
        // it in the temporary sound folder.
        std::string stem = PeakFilePath();
        if (stem.empty()) stem = TempSndPath() + "rate";
        const std::string name = stem + std::to_string(++rateDisplayCounter) + ".grd";
        if (!out->_InitPeaksToFile_(name.c_str())) {
            delete out;
            return nullptr;
        }
    }
    out->InitStreamPeaksFromParse(nullptr, nullptr);
    CPeakStreamWindow source(*this);
    const CRateArea area(rateMap, msPerPeak);
    const double start = virtualStart_ % sourceN;
    double position = start;
    bool ok = source.Open();
    for (std::int32_t k = 0; ok && k < n; ++k) {
        const auto index = std::min(static_cast<std::uint32_t>(position), sourceN - 1);
        std::uint8_t peak = 0;
        ok = source.PeakAt(index, peak) && out->StreamPeakFromParse(peak, toFile);
        position = std::fmod(start + area.Until(double(k) + 1.0), double(sourceN));
        if (position < 0.0) position += sourceN;
    }
    if (!ok || !out->FinishPeaksFromParse(length, toFile)) {
        delete out;
        return nullptr;
    }
    return out;
}
