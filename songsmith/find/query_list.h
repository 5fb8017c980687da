#pragma once
// A list of field-query conditions together with the MvList of pointers to
// them that the song store takes. The list owns its conditions; copies and
// moves point their MvList at their own conditions.

#include <vector>

#include "songvault/query.h"
#include "titlefetch/mv_list.h"

class CQueryList {
public:
    CQueryList() = default;
    explicit CQueryList(std::vector<MDB_Query> conditions) : conditions_(std::move(conditions)) {
        Point();
    }
    CQueryList(const CQueryList& other) : conditions_(other.conditions_) { Point(); }
    CQueryList& operator=(const CQueryList& other) {
        if (this != &other) {
            conditions_ = other.conditions_;
            Point();
        }
        return *this;
    }
    CQueryList(CQueryList&& other) noexcept : conditions_(std::move(other.conditions_)) {
        Point();
        other.Clear();
    }
    CQueryList& operator=(CQueryList&& other) noexcept {
        if (this != &other) {
            conditions_ = std::move(other.conditions_);
            Point();
            other.Clear();
        }
        return *this;
    }

    bool Empty() const { return conditions_.empty(); }
    const std::vector<MDB_Query>& Conditions() const { return conditions_; }
    // The store's view of the conditions.
    const MvList<MDB_Query*>* List() const { return &list_; }
    void Clear() {
        conditions_.clear();
        list_.Empty();
    }

private:
    void Point() {
        list_.Empty();
        for (MDB_Query& condition : conditions_) list_.Append(&condition);
    }

    std::vector<MDB_Query> conditions_;
    MvList<MDB_Query*> list_;
};
