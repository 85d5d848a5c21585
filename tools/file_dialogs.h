#pragma once
// The common open and save file dialogs, behind an interface so that tests
// never block on a modal dialog.

#include <string>

namespace tamro {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // `filter` is given as "Caption|patterns|Caption|patterns|", patterns
    // separated by ";". Both return the chosen path, or "" when cancelled.
    virtual std::string OpenFileName(const std::string& filter) = 0;
    virtual std::string SaveFileName(const std::string& filter) = 0;
};

}  // namespace tamro
