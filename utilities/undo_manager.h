#pragma once
// A linear undo history. Each reversible action is an object of a class
// derived from CUndoAtom; consecutive atoms added under one set id form one
// undo step, undone and redone whole. The history's depth is limited by
// dropping the oldest whole steps, and a callback learns whether the
// document differs from its last saved state.
//
// Used from one thread only; there is no lock.

#include <list>
#include <memory>

class CUndoAtom {
public:
    CUndoAtom() = default;
    CUndoAtom(const CUndoAtom&) = default;
    CUndoAtom& operator=(const CUndoAtom&) = default;
    virtual ~CUndoAtom() = default;

    // A new heap copy of the atom, of its own derived class.
    virtual CUndoAtom* Clone() const = 0;
    // Carries the action out backwards (redo 0) or forwards (redo 1).
    virtual void Perform(int redo) = 0;
    // Writes the step's menu text.
    virtual void GetText(char* buf, int size) = 0;

    // -1 until the manager stamps the atom with its step.
    int SetId() const { return setId_; }
    void SetSetId(int id) { setId_ = id; }

private:
    int setId_ = -1;
};

class CUndoMgr {
public:
    using DirtyCallback = void (*)(int dirty, unsigned long user);

    static constexpr int kDefaultMaxDepth = 400;

    // maxDepth counts the history's nodes including its empty start node.
    explicit CUndoMgr(int maxDepth = kDefaultMaxDepth);
    CUndoMgr(const CUndoMgr&) = delete;
    CUndoMgr& operator=(const CUndoMgr&) = delete;
    ~CUndoMgr();

    void ClearUndoHistory();
    // Stores the atom's clone; while new undos are disabled it does not even
    // clone.
    void AddUndoNode(CUndoAtom& atom);
    // Takes the heap atom over; while new undos are disabled it is deleted.
    void AddUndoNode(CUndoAtom* atom);
    void NextUndoSet() { ++currentSetId_; }
    int CurrentUndoID() const { return currentSetId_; }

    int CanUndo() const;
    int CanRedo() const;
    void Undo();
    void Redo();
    void GetCurrentUndoText(char* buf, unsigned int size);
    void GetCurrentRedoText(char* buf, unsigned int size);

    void DisableNewUndos() { ++disableCount_; }
    void EnableNewUndos() { --disableCount_; }
    int CanAddUndoNodes() const { return disableCount_ == 0 ? 1 : 0; }
    int GetDisableUndoCount() const { return disableCount_; }

    int Dirty() const { return dirty_; }
    // Reports to the callback only when the value changes.
    void SetDirty(int dirty);
    void SetDirtyStatusCallback(DirtyCallback callback, unsigned long user);
    // The document was saved at the current position.
    void OnSave();

private:
    using History = std::list<std::unique_ptr<CUndoAtom>>;

    void DeleteRedoTail();
    void TrimOldestSteps();
    void Erase(History::iterator node);
    void UpdateDirtyFromPosition();

    // Begins with an empty start node (null atom), then the atoms oldest
    // first.
    History history_;
    History::iterator position_;  // the last atom done, or the start node
    // The position at the last save; history_.end() once that state can no
    // longer be reached (its node was deleted or steps before it dropped).
    History::iterator saved_;
    int maxDepth_;
    int currentSetId_ = 0;
    int disableCount_ = 0;
    int dirty_ = 0;
    DirtyCallback callback_ = nullptr;
    unsigned long user_ = 0;
};
