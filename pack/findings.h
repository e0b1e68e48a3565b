// Findings: the lines a check prints, "error: FILE: what" or "warning: FILE: what",
// written to standard output as they are found, and counted.
#pragma once

#include <string>

class Findings {
public:
    void Error(const std::string& file, const std::string& what);
    void Warning(const std::string& file, const std::string& what);

    int errors() const { return errors_; }
    int warnings() const { return warnings_; }

private:
    int errors_ = 0;
    int warnings_ = 0;
};
