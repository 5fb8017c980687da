#pragma once
// The undo step of a Library check mark: the node's kind, its database id
// and its mark before the change. Undo puts that mark back, redo its
// opposite, through the Library page's check-mark operation.

#include <cstdint>

#include "utilities/undo_manager.h"

class CNodeFlagAtom : public CUndoAtom {
public:
    CNodeFlagAtom(std::uint32_t kind, std::int32_t id, int flag) : kind_(kind), id_(id), flag_(flag) {}

    CUndoAtom* Clone() const override { return new CNodeFlagAtom(*this); }
    void Perform(int redo) override;
    void GetText(char*, int) override {}

    std::uint32_t Kind() const { return kind_; }
    std::int32_t Id() const { return id_; }
    int Flag() const { return flag_; }

private:
    std::uint32_t kind_;
    std::int32_t id_;
    int flag_;
};
