#include "songsmith/library/node_flag_atom.h"

#include "songsmith/library/library_links.h"

void CNodeFlagAtom::Perform(int redo) { SetLibraryCheckMark(kind_, id_, redo != 0 ? 1 - flag_ : flag_); }
