#include "utilities/undo_manager.h"

#include <algorithm>
#include <climits>
#include <iterator>

CUndoMgr::CUndoMgr(int maxDepth) : maxDepth_(maxDepth) {
    history_.emplace_back();
    position_ = history_.begin();
    saved_ = history_.begin();
}

CUndoMgr::~CUndoMgr() = default;

void CUndoMgr::Erase(History::iterator node) {
    if (node == saved_) saved_ = history_.end();
    history_.erase(node);
}

void CUndoMgr::ClearUndoHistory() {
    history_.erase(std::next(history_.begin()), history_.end());
    position_ = history_.begin();
    saved_ = history_.begin();
    if (dirty_ != 0) SetDirty(0);
}

void CUndoMgr::AddUndoNode(CUndoAtom& atom) {
    if (!CanAddUndoNodes()) return;
    AddUndoNode(atom.Clone());
}

void CUndoMgr::AddUndoNode(CUndoAtom* atom) {
    if (atom == nullptr) return;
    std::unique_ptr<CUndoAtom> owned(atom);  // ours from here on, refused or not
    if (!CanAddUndoNodes()) return;
    owned->SetSetId(currentSetId_);
    DeleteRedoTail();
    history_.push_back(std::move(owned));
    position_ = std::prev(history_.end());
    TrimOldestSteps();
    SetDirty(1);
}

void CUndoMgr::DeleteRedoTail() {
    while (std::next(position_) != history_.end()) Erase(std::prev(history_.end()));
}

void CUndoMgr::TrimOldestSteps() {
    const int positionSet = (*position_)->SetId();
    while (static_cast<long>(history_.size()) > maxDepth_) {
        const auto oldest = std::next(history_.begin());
        const int set = (*oldest)->SetId();
        if (set == positionSet) break;  // the newest step is never dropped
        // The saved state lies at or before what is dropped: undoing can no
        // longer return to it.
        if (saved_ == history_.begin()) saved_ = history_.end();
        while (std::next(history_.begin()) != history_.end() && (*std::next(history_.begin()))->SetId() == set) {
            Erase(std::next(history_.begin()));
        }
    }
}

int CUndoMgr::CanUndo() const { return position_ != history_.begin() ? 1 : 0; }

int CUndoMgr::CanRedo() const { return std::next(position_) != history_.end() ? 1 : 0; }

void CUndoMgr::Undo() {
    if (!CanUndo()) return;
    // Atoms that the actions add while they run are not new user steps.
    DisableNewUndos();
    const int set = (*position_)->SetId();
    for (;;) {
        (*position_)->Perform(0);
        --position_;
        if (position_ == history_.begin() || (*position_)->SetId() != set) break;
    }
    EnableNewUndos();
    UpdateDirtyFromPosition();
}

void CUndoMgr::Redo() {
    if (!CanRedo()) return;
    DisableNewUndos();
    auto next = std::next(position_);
    const int set = (*next)->SetId();
    while (next != history_.end() && (*next)->SetId() == set) {
        (*next)->Perform(1);
        position_ = next++;
    }
    EnableNewUndos();
    UpdateDirtyFromPosition();
}

void CUndoMgr::GetCurrentUndoText(char* buf, unsigned int size) {
    if (buf == nullptr || !CanUndo()) return;
    (*position_)->GetText(buf, static_cast<int>(std::min<unsigned int>(size, INT_MAX)));
}

void CUndoMgr::GetCurrentRedoText(char* buf, unsigned int size) {
    if (buf == nullptr || !CanRedo()) return;
    (*std::next(position_))->GetText(buf, static_cast<int>(std::min<unsigned int>(size, INT_MAX)));
}

void CUndoMgr::SetDirty(int dirty) {
    if (dirty == dirty_) return;
    dirty_ = dirty;
    if (callback_ != nullptr) callback_(dirty_, user_);
}

void CUndoMgr::SetDirtyStatusCallback(DirtyCallback callback, unsigned long user) {
    callback_ = callback;
    user_ = user;
}

void CUndoMgr::OnSave() {
    saved_ = position_;
    if (dirty_ != 0) SetDirty(0);
}

void CUndoMgr::UpdateDirtyFromPosition() {
    const bool clean = saved_ != history_.end() && saved_ == position_;
    SetDirty(clean ? 0 : 1);
}
