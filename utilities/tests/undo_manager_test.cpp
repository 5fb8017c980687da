#include "utilities/undo_manager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Journal {
    std::vector<std::string> performed;
    int live = 0;
    int clones = 0;
};

class TestAtom : public CUndoAtom {
public:
    TestAtom(Journal& journal, std::string name) : journal_(journal), name_(std::move(name)) { ++journal_.live; }
    TestAtom(const TestAtom& other) : CUndoAtom(other), journal_(other.journal_), name_(other.name_) {
        ++journal_.live;
    }
    ~TestAtom() override { --journal_.live; }
    CUndoAtom* Clone() const override {
        ++journal_.clones;
        return new TestAtom(*this);
    }
    void Perform(int redo) override { journal_.performed.push_back((redo ? "redo " : "undo ") + name_); }
    void GetText(char* buf, int size) override { std::snprintf(buf, static_cast<std::size_t>(size), "%s", name_.c_str()); }

private:
    Journal& journal_;
    std::string name_;
};

std::vector<int> g_reports;
void RecordDirty(int dirty, unsigned long user) {
    EXPECT_EQ(user, 77u);
    g_reports.push_back(dirty);
}

// One step of one atom.
void Step(CUndoMgr& undo, Journal& journal, const std::string& name) {
    undo.NextUndoSet();
    TestAtom atom(journal, name);
    undo.AddUndoNode(atom);
}

}  // namespace

TEST(UndoMgr, UndoesAndRedoesWholeSteps) {
    Journal journal;
    {
        CUndoMgr undo;
        EXPECT_FALSE(undo.CanUndo());
        EXPECT_FALSE(undo.CanRedo());
        undo.NextUndoSet();
        for (const char* name : {"a", "b", "c"}) {
            TestAtom atom(journal, name);
            undo.AddUndoNode(atom);
        }
        EXPECT_EQ(journal.live, 3) << "the manager holds its own copies";
        char text[16] = "";
        undo.GetCurrentUndoText(text, sizeof text);
        EXPECT_STREQ(text, "c");
        undo.Undo();
        EXPECT_EQ(journal.performed, (std::vector<std::string>{"undo c", "undo b", "undo a"}));
        EXPECT_FALSE(undo.CanUndo());
        EXPECT_TRUE(undo.CanRedo());
        undo.GetCurrentRedoText(text, sizeof text);
        EXPECT_STREQ(text, "a");
        journal.performed.clear();
        undo.Redo();
        EXPECT_EQ(journal.performed, (std::vector<std::string>{"redo a", "redo b", "redo c"}));
        EXPECT_FALSE(undo.CanRedo());

        undo.Undo();
        Step(undo, journal, "d");
        EXPECT_EQ(journal.live, 1) << "adding after an undo deletes the undone atoms";
        EXPECT_FALSE(undo.CanRedo());
        EXPECT_TRUE(undo.CanUndo());
    }
    EXPECT_EQ(journal.live, 0) << "the destructor deletes every atom";
}

TEST(UndoMgr, DepthDropsOldestWholeStepsButNeverTheNewest) {
    Journal journal;
    CUndoMgr undo(4);  // the start node and at most three atoms
    for (const char* name : {"1", "2", "3", "4"}) Step(undo, journal, name);
    EXPECT_EQ(journal.live, 3);
    journal.performed.clear();
    while (undo.CanUndo()) undo.Undo();
    EXPECT_EQ(journal.performed, (std::vector<std::string>{"undo 4", "undo 3", "undo 2"}));

    Journal bigJournal;
    CUndoMgr big(4);
    big.NextUndoSet();
    for (int i = 0; i < 6; ++i) {
        // Appended rather than "x" + ...: GCC 12 at -O3 warns falsely
        // (-Wrestrict) about the insert that operator+ makes.
        std::string text = "x";
        text += std::to_string(i);
        TestAtom atom(bigJournal, text);
        big.AddUndoNode(atom);
    }
    big.Undo();
    EXPECT_EQ(bigJournal.performed.size(), 6u) << "a step larger than the depth is kept whole";
    EXPECT_FALSE(big.CanUndo());
    Step(big, bigJournal, "next");
    EXPECT_EQ(bigJournal.live, 1) << "the undone step went with the redo tail";
}

TEST(UndoMgr, ModifiedFlagFollowsTheSavedPosition) {
    Journal journal;
    CUndoMgr undo;
    g_reports.clear();
    undo.SetDirtyStatusCallback(RecordDirty, 77);
    undo.OnSave();
    Step(undo, journal, "a");
    undo.Undo();
    EXPECT_EQ(g_reports, (std::vector<int>{1, 0}));
    undo.Redo();
    EXPECT_EQ(undo.Dirty(), 1);
    undo.OnSave();
    EXPECT_EQ(undo.Dirty(), 0);
    Step(undo, journal, "b");
    undo.Undo();
    EXPECT_EQ(undo.Dirty(), 0) << "back at the save";
    undo.Undo();
    EXPECT_EQ(undo.Dirty(), 1);
    undo.Redo();
    EXPECT_EQ(undo.Dirty(), 0) << "redone forward to the save";
    undo.SetDirty(0);
    EXPECT_EQ(g_reports, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0})) << "reported only on a change";
    undo.Undo();
    undo.ClearUndoHistory();
    EXPECT_EQ(g_reports, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(undo.Dirty(), 0);
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_FALSE(undo.CanRedo());
}

TEST(UndoMgr, UnreachableSaveKeepsTheDocumentModified) {
    Journal journal;
    {
        // The saved atom is undone and then discarded by a new step: no
        // position of the history is the saved state any more.
        CUndoMgr undo;
        Step(undo, journal, "a");
        Step(undo, journal, "b");
        undo.OnSave();
        undo.Undo();
        Step(undo, journal, "c");
        undo.Undo();
        EXPECT_EQ(undo.Dirty(), 1);
        Step(undo, journal, "d");
        undo.Undo();
        undo.Undo();
        EXPECT_EQ(undo.Dirty(), 1) << "the start node is not the saved state either";
        undo.OnSave();
        EXPECT_EQ(undo.Dirty(), 0);
    }
    {
        // Saved with nothing done; trimming drops changes that stay applied.
        CUndoMgr undo(3);
        undo.OnSave();
        for (const char* name : {"1", "2", "3"}) Step(undo, journal, name);
        while (undo.CanUndo()) undo.Undo();
        EXPECT_EQ(undo.Dirty(), 1);
    }
    {
        // The saved atom itself is trimmed.
        CUndoMgr undo(3);
        Step(undo, journal, "1");
        undo.OnSave();
        Step(undo, journal, "2");
        Step(undo, journal, "3");
        while (undo.CanUndo()) undo.Undo();
        EXPECT_EQ(undo.Dirty(), 1);
    }
    {
        // Trimming steps older than the save keeps it reachable.
        CUndoMgr undo(3);
        Step(undo, journal, "1");
        Step(undo, journal, "2");
        undo.OnSave();
        Step(undo, journal, "3");
        undo.Undo();
        EXPECT_EQ(undo.Dirty(), 0);
    }
    EXPECT_EQ(journal.live, 0);
}

TEST(UndoMgr, DisabledManagerRefusesAndFreesAtoms) {
    Journal journal;
    CUndoMgr undo;
    undo.DisableNewUndos();
    undo.DisableNewUndos();
    undo.EnableNewUndos();
    EXPECT_FALSE(undo.CanAddUndoNodes());
    EXPECT_EQ(undo.GetDisableUndoCount(), 1);

    TestAtom onStack(journal, "ref");
    undo.AddUndoNode(onStack);
    EXPECT_EQ(journal.clones, 0) << "a refused atom is not even cloned";
    undo.AddUndoNode(new TestAtom(journal, "heap"));
    EXPECT_EQ(journal.live, 1) << "a refused heap atom is deleted, not leaked";
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(undo.Dirty(), 0);

    undo.EnableNewUndos();
    undo.AddUndoNode(new TestAtom(journal, "taken"));
    EXPECT_EQ(journal.live, 2);
    EXPECT_TRUE(undo.CanUndo());
    char text[8] = "unset";
    undo.GetCurrentRedoText(text, sizeof text);
    EXPECT_STREQ(text, "unset") << "nothing to redo leaves the buffer alone";
    undo.GetCurrentUndoText(nullptr, 8);
}

namespace {

// An action whose undo records a further atom, as an edit routine reused by
// the undo code would.
class ReentrantAtom : public CUndoAtom {
public:
    ReentrantAtom(CUndoMgr& undo, Journal& journal) : undo_(undo), journal_(journal) {}
    CUndoAtom* Clone() const override { return new ReentrantAtom(*this); }
    void Perform(int redo) override {
        undo_.AddUndoNode(new TestAtom(journal_, redo ? "r" : "u"));
    }
    void GetText(char* buf, int size) override { std::snprintf(buf, static_cast<std::size_t>(size), "re"); }

private:
    CUndoMgr& undo_;
    Journal& journal_;
};

}  // namespace

TEST(UndoMgr, AtomsAddedWhilePerformingAreIgnored) {
    Journal journal;
    CUndoMgr undo;
    undo.NextUndoSet();
    undo.AddUndoNode(new ReentrantAtom(undo, journal));
    undo.Undo();
    EXPECT_TRUE(undo.CanRedo()) << "the redo step survived";
    undo.Redo();
    EXPECT_FALSE(undo.CanRedo());
    EXPECT_EQ(journal.live, 0);
    EXPECT_EQ(undo.GetDisableUndoCount(), 0);
}
