#pragma once
// CMap: a time-ordered list of events. Sound objects use it for their
// envelopes: volume (a gain, 1.0 = unchanged), pan (-1.0 left .. 1.0 right,
// 0.0 centre) and rate (a stretch factor, 1.0 = normal speed), each a
// piecewise-linear curve through points (time in milliseconds, value).
//
// A point of an envelope is a "simple event": its data is one double. The
// map keeps its own copy of every event's data and frees it with the event.
// A map never holds two events of the same type at the same time.
//
// A type with no events reads as its neutral value (volume 1.0, pan 0.0,
// rate 1.0), so an envelope is never undefined.

#include <cstdint>

#include "tonecore/engine/my_array_list.h"

class CRIFF;

enum TMapType : int {
    MAP_VOLUME = 0,
    MAP_PAN = 1,
    MAP_RATE = 2,
    // Volume, pan and rate, where an operation accepts it.
    MAP_ALL = 8,
};

// One event: its type, its data and the data's size in bytes.
struct _tvol_pan_data {
    std::int32_t type;
    void* data;
    std::uint32_t size;
};

// Ignored: maps combine by the fixed rules of AddCalcSimplePoint.
using TTypeCombineCallback = double (*)(double child, double parent);

class CMap {
public:
    CMap() = default;
    // Copy(&source, MAP_ALL): the source's envelopes over the span of its
    // events, with times counted from its first event.
    CMap(const CMap& source);
    // Copy(&source, MAP_ALL, start, end).
    CMap(const CMap& source, std::int32_t start, std::int32_t end);
    // An exact copy of every event; the two maps share nothing.
    CMap& operator=(const CMap& source);
    virtual ~CMap();

    // The number of events of a type; -1 counts every event.
    virtual int NumEvents(int type) const;

    // Adds an event with a copy of size bytes of data. -1 when an event of
    // the type already stands at that time, or (last error 0x20000001) when
    // memory runs out; otherwise the new event's index, which is also kept as
    // the last index. An event goes before the events at its own time.
    int AddEvent(int type, std::int32_t time, const void* data, std::uint32_t size);
    // Adds a point of an envelope. 1 on success; 0 when refused as above.
    int AddSimpleEvent(int type, std::int32_t time, double value);
    // Adds a point whose value combines a child's value a with its parent's
    // value b: volume a x b; pan a + b within -1.0 .. 1.0; rate a x b, at
    // least 0.01. Returns as AddSimpleEvent.
    int AddCalcSimplePoint(TMapType type, std::int32_t time, double a, double b);

    // Removes the event at index with its data; nothing for an invalid index.
    void RemoveEvent(int index);
    // Removes the event of the type standing exactly at time, if any.
    void RemoveSimpleEvent(int type, std::int32_t time);
    void RemoveSimpleEventByIndex(int index);
    // Removes every event of the type; MAP_ALL removes volume, pan and rate.
    void RemoveAllSimpleEvents(int type);
    // Removes every event, of whatever type.
    void RemoveAllEvents();

    // The event at index and its time; null when out of range.
    _tvol_pan_data* GetEventData(int index, std::int32_t* time) const;
    // From index onward, the first event of the type; index and time receive
    // its position and time. Null when there is none.
    _tvol_pan_data* GetNextEvent(int type, int& index, std::int32_t* time) const;
    // The latest event of the type at or before time; null when none.
    _tvol_pan_data* GetDataBefore(std::int32_t time, int type, std::int32_t* foundTime,
                                  int* foundIndex) const;
    // The envelope's value at time: linear between points, the last point's
    // value after it, the first point's value before it, the neutral value
    // when the type has no events.
    double GetSimpleValueAtTime(std::int32_t time, int type) const;
    // The index given by the most recent AddEvent; -1 after a refused add or
    // a removal.
    int LastIndex() const { return lastIndex_; }

    // Copies the source's events of the type over the span of all its events
    // (Copy with the first and last event times). 0 when the source is empty.
    int Copy(const CMap* source, int type);
    // Adds the source's envelope of the type over [start, end], with times
    // relative to start: a point at 0, the source's points inside, and a
    // point at end - start when the source goes on past end. MAP_ALL copies
    // volume, pan and rate. A type the source does not hold is not copied.
    // Returns 1.
    int Copy(const CMap* source, int type, std::int32_t start, std::int32_t end);
    // Replaces this map's envelope of the type (a child's, placed at offset
    // inside its parent) by its combination with the parent's envelope: a
    // point wherever either curve bends within the child's span, ending at
    // the earlier of the two curves' ends. Nothing changes when the parent
    // has fewer than two points of the type.
    void CombineMap(const CMap* parent, std::int32_t offset, TMapType type);

    // Moves every event of the type by delta ms (MAP_ALL: volume, pan, rate).
    // The last two arguments are not used.
    void OffsetEvents(int type, std::int32_t delta, int unused1 = 0, int unused2 = 0);
    // Every event time becomes time x factor, truncated. Where points of one
    // type meet at one time, the first is kept. A negative factor changes
    // nothing.
    void ScaleEvents(double factor);
    // Moves the last event of the type to newEnd (MAP_ALL: volume, pan,
    // rate). A newEnd before the point ahead of it puts the end 20 ms after
    // that point. Nothing for newEnd 0 or an empty map.
    void AdjustEndPoint(int type, std::int32_t newEnd);
    // Volume (0, 1.0)-(length, 1.0), pan (0, 0.0)-(length, 0.0), rate
    // (0, 1.0)-(length, 1.0), for one type or for MAP_ALL in that order.
    void SetDefaultMap(std::int32_t length, TMapType type);

    // Volume v -> 2.0 - v within 0.0 .. 2.0; pan v -> -v; rate v -> 1.0 / v
    // within 0.01 .. 2.0. MAP_ALL inverts every event by its own type's rule.
    void InvertSimpleEvents(int type);
    // Multiplies every value of the type (MAP_ALL: of every event).
    void MultiplySimpleEvents(int type, double factor);

    // The event's number among the events of its type, counting from the
    // fourth event on (the first three are the default map's start points,
    // number 0); type receives the event's type. -1 for an index past the end.
    int IndexToEventNumber(int index, TMapType& type) const;
    // The index of the event of the type with the given 0-based number; -1
    // when there are not that many.
    int EventNumberToIndex(int number, TMapType type) const;

    // Time on the source's own time line reached after time ms of playing:
    // the area under the rate curve from 0 to time.
    double GetRateMapAdjustedTime(std::int32_t time) const;
    // The same with every rate r taken as 1.0 / r.
    double GetRateTime(std::int32_t time) const;

    // Writes the "smap" stream: the count, then each event's type, time, data
    // size and data, in event order. 0 when the stream cannot be written.
    int WriteMap(CRIFF* riff) const;
    // Adds the events of the current "smap" chunk (duplicates are dropped)
    // and moves to the next chunk. Only what the chunk really holds is read:
    // a count or a data size running past its end ends the reading there,
    // and a point of an envelope whose data is not one double is dropped.
    // 1 when the chunk was read; 0 (nothing read, the position kept) when the
    // current chunk is not "smap" or cannot be read.
    int ReadMap(CRIFF* riff);
    // The bytes of the stream's events: the sum of 12 + data size.
    std::uint32_t MapSaveSize() const;

    // Accepted and ignored.
    void SetTypeCombineCallback(int type, TTypeCombineCallback callback);

    // The neutral value of an envelope type.
    static double NeutralValue(int type);

private:
    // Events are held as records that own their data.
    struct TRecord;

    static TRecord* NewRecord(int type, const void* data, std::uint32_t size);
    static void FreeRecord(TRecord* record);
    TRecord* RecordAt(int index) const;
    std::int32_t TimeAt(int index) const;
    // First index whose time is greater than time.
    int UpperBound(std::int32_t time) const;
    // Index of the event of the type standing exactly at time, or -1.
    int FindAt(int type, std::int32_t time) const;
    // Inserts an existing record at time; false (record untouched) when an
    // event of its type stands there or memory runs out.
    bool InsertRecord(TRecord* record, std::int32_t time);
    // Takes the record at index out of the list without freeing it.
    TRecord* DetachRecord(int index);
    void CopyRangeOfType(const CMap& source, int type, std::int32_t start, std::int32_t end);
    void CombineType(const CMap& parent, std::int32_t offset, TMapType type);
    void OffsetType(int type, std::int32_t delta);
    void AdjustEndPointOfType(int type, std::int32_t newEnd);
    double AreaUnderRate(std::int32_t time, bool inverse) const;

    // Record pointers with their times as sort values.
    CMyArrayList events_;
    int lastIndex_ = -1;
};

// The types MAP_ALL stands for, in the order operations visit them.
inline constexpr int kEnvelopeTypes[] = {MAP_VOLUME, MAP_PAN, MAP_RATE};
