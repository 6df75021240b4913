// The question every screen asks before it closes on work that is not saved yet (a document
// being entered, a list row being typed or refused by the server), with one text everywhere.
#pragma once

namespace qk::client {

class Dataset;

inline constexpr const char* kConfirmClose = "数据未保存，是否确认要退出？";

// Yes/No under the product name; true when the user agrees to close and lose the work.
bool confirmClose();

// A record being typed (the Edit or Insert state).
bool isEditing(const Dataset& ds);
// A record being typed, or changes the server has not taken yet.
bool hasUnsavedWork(const Dataset& ds);

}  // namespace qk::client
