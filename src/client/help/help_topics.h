// The help topics: the grouped list the help window offers, the page file of each, and which
// main-window actions open their screen (so F1 there finds the page). One table; nothing else
// in the program knows a page's file name.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qk::client {

struct HelpTopic {
  const char* caption;
  const char* group;
  const char* file;          // in the help folder
  QStringList actions = {};  // screens whose F1 shows this page
};

inline constexpr const char* kHelpIndexFile = "index.mht";

const std::vector<HelpTopic>& helpTopics();
// The page of the screen an action opens; the index page for a screen without one.
QString helpFileForAction(const QString& actionName);
// The help folder: beside the program, else where the package installs it.
QString helpDir();

}  // namespace qk::client
