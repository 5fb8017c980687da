#include "tonecore/maps/event_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/maps/event_map_values.h"

struct CMap::TRecord : _tvol_pan_data {
    std::unique_ptr<unsigned char[]> bytes;
};

CMap::CMap(const CMap& source) { Copy(&source, MAP_ALL); }

CMap::CMap(const CMap& source, std::int32_t start, std::int32_t end) {
    Copy(&source, MAP_ALL, start, end);
}

CMap& CMap::operator=(const CMap& source) {
    if (this == &source) return *this;
    RemoveAllEvents();
    for (int i = 0; i < source.events_.Count(); ++i) {
        const TRecord* from = source.RecordAt(i);
        TRecord* copy = NewRecord(from->type, from->data, from->size);
        if (copy == nullptr) break;
        const int before = events_.Count();
        events_.AppendToTail(copy, source.TimeAt(i));
        if (events_.Count() == before) {
            FreeRecord(copy);
            break;
        }
    }
    lastIndex_ = source.lastIndex_;
    return *this;
}

CMap::~CMap() { RemoveAllEvents(); }

CMap::TRecord* CMap::NewRecord(int type, const void* data, std::uint32_t size) {
    auto* record = new (std::nothrow) TRecord();
    if (record == nullptr) return nullptr;
    record->type = type;
    record->size = size;
    record->data = nullptr;
    if (size > 0) {
        record->bytes.reset(new (std::nothrow) unsigned char[size]);
        if (!record->bytes) {
            delete record;
            return nullptr;
        }
        if (data != nullptr) {
            std::memcpy(record->bytes.get(), data, size);
        } else {
            std::memset(record->bytes.get(), 0, size);
        }
        record->data = record->bytes.get();
    }
    return record;
}

void CMap::FreeRecord(TRecord* record) { delete record; }

CMap::TRecord* CMap::RecordAt(int index) const { return static_cast<TRecord*>(events_.Index(index)); }

std::int32_t CMap::TimeAt(int index) const {
    std::int32_t time = 0;
    events_.Index(index, &time);
    return time;
}

int CMap::UpperBound(std::int32_t time) const {
    int lo = 0;
    int hi = events_.Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (TimeAt(mid) <= time) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int CMap::FindAt(int type, std::int32_t time) const {
    for (int i = UpperBound(time) - 1; i >= 0 && TimeAt(i) == time; --i) {
        if (RecordAt(i)->type == type) return i;
    }
    return -1;
}

bool CMap::InsertRecord(TRecord* record, std::int32_t time) {
    if (FindAt(record->type, time) >= 0) return false;
    const int before = events_.Count();
    const int index = events_.AddSorted(record, time);
    if (events_.Count() == before) return false;  // out of memory, already reported
    lastIndex_ = index;
    return true;
}

CMap::TRecord* CMap::DetachRecord(int index) {
    TRecord* record = RecordAt(index);
    if (record != nullptr) events_.RemoveByIndex(index);
    lastIndex_ = -1;
    return record;
}

int CMap::NumEvents(int type) const {
    if (type == -1) return events_.Count();
    int count = 0;
    for (int i = 0; i < events_.Count(); ++i) {
        if (RecordAt(i)->type == type) ++count;
    }
    return count;
}

int CMap::AddEvent(int type, std::int32_t time, const void* data, std::uint32_t size) {
    lastIndex_ = -1;
    if (FindAt(type, time) >= 0) return -1;
    TRecord* record = NewRecord(type, data, size);
    if (record == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return -1;
    }
    if (!InsertRecord(record, time)) {
        FreeRecord(record);
        return -1;
    }
    return lastIndex_;
}

int CMap::AddSimpleEvent(int type, std::int32_t time, double value) {
    return AddEvent(type, time, &value, sizeof value) >= 0 ? 1 : 0;
}

int CMap::AddCalcSimplePoint(TMapType type, std::int32_t time, double a, double b) {
    return AddSimpleEvent(type, time, mapvalues::Combine(type, a, b));
}

void CMap::RemoveEvent(int index) {
    if (index < 0 || index >= events_.Count()) return;
    FreeRecord(DetachRecord(index));
}

void CMap::RemoveSimpleEvent(int type, std::int32_t time) {
    const int index = FindAt(type, time);
    if (index >= 0) RemoveEvent(index);
}

void CMap::RemoveSimpleEventByIndex(int index) { RemoveEvent(index); }

void CMap::RemoveAllSimpleEvents(int type) {
    if (type == MAP_ALL) {
        for (int each : kEnvelopeTypes) RemoveAllSimpleEvents(each);
        return;
    }
    for (int i = events_.Count() - 1; i >= 0; --i) {
        if (RecordAt(i)->type == type) RemoveEvent(i);
    }
}

void CMap::RemoveAllEvents() {
    for (int i = 0; i < events_.Count(); ++i) FreeRecord(RecordAt(i));
    events_.RemoveAll();
    lastIndex_ = -1;
}

_tvol_pan_data* CMap::GetEventData(int index, std::int32_t* time) const {
    if (index < 0 || index >= events_.Count()) return nullptr;
    if (time != nullptr) *time = TimeAt(index);
    return RecordAt(index);
}

_tvol_pan_data* CMap::GetNextEvent(int type, int& index, std::int32_t* time) const {
    for (int i = std::max(index, 0); i < events_.Count(); ++i) {
        if (RecordAt(i)->type == type) {
            index = i;
            if (time != nullptr) *time = TimeAt(i);
            return RecordAt(i);
        }
    }
    return nullptr;
}

_tvol_pan_data* CMap::GetDataBefore(std::int32_t time, int type, std::int32_t* foundTime,
                                    int* foundIndex) const {
    for (int i = UpperBound(time) - 1; i >= 0; --i) {
        if (RecordAt(i)->type != type) continue;
        if (foundTime != nullptr) *foundTime = TimeAt(i);
        if (foundIndex != nullptr) *foundIndex = i;
        return RecordAt(i);
    }
    return nullptr;
}

double CMap::NeutralValue(int type) { return mapvalues::Neutral(type); }

double CMap::GetSimpleValueAtTime(std::int32_t time, int type) const {
    std::int32_t t0 = 0;
    int i0 = 0;
    const _tvol_pan_data* before = GetDataBefore(time, type, &t0, &i0);
    if (before == nullptr) {
        // Before the first point the curve holds the first point's value.
        int first = 0;
        const _tvol_pan_data* after = GetNextEvent(type, first, nullptr);
        return after != nullptr ? mapvalues::Read(after) : NeutralValue(type);
    }
    const double y0 = mapvalues::Read(before);
    if (t0 == time) return y0;
    int i1 = i0 + 1;
    std::int32_t t1 = 0;
    const _tvol_pan_data* next = GetNextEvent(type, i1, &t1);
    if (next == nullptr) return y0;
    const double y1 = mapvalues::Read(next);
    if (t1 != t0 && y1 != y0) {
        return y0 + (y1 - y0) / (double(t1) - double(t0)) * (double(time) - double(t0));
    }
    return y0;
}

int CMap::Copy(const CMap* source, int type) {
    if (source == nullptr || source->events_.Count() == 0) return 0;
    return Copy(source, type, source->TimeAt(0), source->TimeAt(source->events_.Count() - 1));
}

int CMap::Copy(const CMap* source, int type, std::int32_t start, std::int32_t end) {
    if (source == nullptr) return 1;
    if (source == this) {
        CMap aside;
        aside = *this;
        return Copy(&aside, type, start, end);
    }
    if (type == MAP_ALL) {
        for (int each : kEnvelopeTypes) CopyRangeOfType(*source, each, start, end);
    } else {
        CopyRangeOfType(*source, type, start, end);
    }
    return 1;
}

void CMap::CopyRangeOfType(const CMap& source, int type, std::int32_t start, std::int32_t end) {
    if (source.NumEvents(type) == 0) return;
    const auto relative = [start](std::int32_t time) {
        return mapvalues::ClampMs(std::int64_t{time} - start);
    };
    const auto addEndPoint = [&] {
        AddSimpleEvent(type, relative(end), source.GetSimpleValueAtTime(end, type));
    };
    AddSimpleEvent(type, 0, source.GetSimpleValueAtTime(start, type));

    // The position reached: the latest point at or before start, or (when
    // the curve starts after start) the one before the first point.
    std::int32_t reached = 0;
    int position = -1;
    const bool hasBefore = source.GetDataBefore(start, type, &reached, &position) != nullptr;
    if (!hasBefore || reached < start) {
        int next = position + 1;
        std::int32_t time = 0;
        const _tvol_pan_data* event = source.GetNextEvent(type, next, &time);
        if (event == nullptr) return;
        if (time > end) {
            addEndPoint();
            return;
        }
        AddSimpleEvent(type, relative(time), mapvalues::Read(event));
        position = next;
        reached = time;
    }
    if (reached == end) return;
    if (reached > end) {
        addEndPoint();
        return;
    }
    for (int next = position + 1;; ++next) {
        std::int32_t time = 0;
        const _tvol_pan_data* event = source.GetNextEvent(type, next, &time);
        if (event == nullptr) return;  // the curve ends inside the range: no end point
        if (time > end) {
            addEndPoint();
            return;
        }
        AddSimpleEvent(type, relative(time), mapvalues::Read(event));
        if (time == end) return;
    }
}

void CMap::OffsetEvents(int type, std::int32_t delta, int unused1, int unused2) {
    (void)unused1;
    (void)unused2;
    if (type == MAP_ALL) {
        for (int each : kEnvelopeTypes) OffsetType(each, delta);
    } else {
        OffsetType(type, delta);
    }
}

void CMap::OffsetType(int type, std::int32_t delta) {
    if (delta == 0) return;
    std::vector<TRecord*> moving;
    for (int i = 0; i < events_.Count(); ++i) {
        if (RecordAt(i)->type == type) moving.push_back(RecordAt(i));
    }
    // Earlier events move first when going back, later ones first when going
    // forward, so no event meets one of its type that has yet to move.
    if (delta > 0) std::reverse(moving.begin(), moving.end());
    for (TRecord* record : moving) {
        int index = 0;
        while (RecordAt(index) != record) ++index;
        const std::int32_t time = TimeAt(index);
        DetachRecord(index);
        if (!InsertRecord(record, mapvalues::ClampMs(std::int64_t{time} + delta))) FreeRecord(record);
    }
    lastIndex_ = -1;
}

void CMap::ScaleEvents(double factor) {
    // A negative factor would turn the time line around and unsort the list.
    if (!(factor >= 0.0)) return;
    events_.ScaleAllSortValues(factor);
    // Shrinking can bring points of one type onto one time; the first keeps it.
    for (int i = 1; i < events_.Count();) {
        bool taken = false;
        for (int j = i - 1; j >= 0 && TimeAt(j) == TimeAt(i); --j) {
            if (RecordAt(j)->type == RecordAt(i)->type) taken = true;
        }
        if (taken) {
            RemoveEvent(i);
        } else {
            ++i;
        }
    }
}

void CMap::AdjustEndPoint(int type, std::int32_t newEnd) {
    if (type == MAP_ALL) {
        for (int each : kEnvelopeTypes) AdjustEndPointOfType(each, newEnd);
    } else {
        AdjustEndPointOfType(type, newEnd);
    }
}

void CMap::AdjustEndPointOfType(int type, std::int32_t newEnd) {
    if (newEnd == 0 || events_.Count() == 0) return;
    std::int32_t endTime = 0;
    int endIndex = 0;
    if (GetDataBefore(TimeAt(events_.Count() - 1), type, &endTime, &endIndex) == nullptr) return;
    if (newEnd == endTime) return;
    std::int32_t newTime = newEnd;
    if (newEnd < endTime) {
        for (int i = endIndex - 1; i >= 0; --i) {
            if (RecordAt(i)->type != type) continue;
            // An end before the point ahead of it would turn the curve back.
            if (newEnd < TimeAt(i)) newTime = mapvalues::ClampMs(std::int64_t{TimeAt(i)} + 20);
            break;
        }
    }
    TRecord* record = DetachRecord(endIndex);
    if (!InsertRecord(record, newTime)) FreeRecord(record);
}

void CMap::SetDefaultMap(std::int32_t length, TMapType type) {
    for (int each : kEnvelopeTypes) {
        if (type != MAP_ALL && type != each) continue;
        const double value = NeutralValue(each);
        AddSimpleEvent(each, 0, value);
        AddSimpleEvent(each, length, value);
    }
}

void CMap::InvertSimpleEvents(int type) {
    for (int i = 0; i < events_.Count(); ++i) {
        TRecord* record = RecordAt(i);
        if (type != MAP_ALL && record->type != type) continue;
        if (!mapvalues::HoldsValue(record)) continue;
        mapvalues::Write(record, mapvalues::Invert(record->type, mapvalues::Read(record)));
    }
}

void CMap::MultiplySimpleEvents(int type, double factor) {
    for (int i = 0; i < events_.Count(); ++i) {
        TRecord* record = RecordAt(i);
        if (type != MAP_ALL && record->type != type) continue;
        if (!mapvalues::HoldsValue(record)) continue;
        mapvalues::Write(record, mapvalues::Read(record) * factor);
    }
}

int CMap::IndexToEventNumber(int index, TMapType& type) const {
    if (index < 0 || index >= events_.Count()) return -1;
    type = static_cast<TMapType>(RecordAt(index)->type);
    // The first three events are the start points of the default map.
    if (index < 3) return 0;
    int count = 0;
    for (int i = 3; i <= index;) {
        int found = i;
        if (GetNextEvent(type, found, nullptr) == nullptr) break;
        i = found + 1;
        ++count;
    }
    return count;
}

int CMap::EventNumberToIndex(int number, TMapType type) const {
    if (number < 0 || number >= NumEvents(type)) return -1;
    int seen = 0;
    for (int i = 0; i < events_.Count(); ++i) {
        if (RecordAt(i)->type != type) continue;
        if (seen == number) return i;
        ++seen;
    }
    return -1;
}

void CMap::SetTypeCombineCallback(int type, TTypeCombineCallback callback) {
    (void)type;
    (void)callback;
}
