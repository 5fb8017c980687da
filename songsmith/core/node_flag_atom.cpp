#include "songsmith/core/node_flag_atom.h"

#include "songsmith/core/library_links.h"

void CNodeFlagAtom::Perform(int redo) { SetLibraryCheckMark(kind_, id_, redo != 0 ? 1 - flag_ : flag_); }
