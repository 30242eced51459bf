#pragma once
// Files and windows for the preview's tests.

#include <QString>
#include <memory>
#include <string>

class Twiz;

namespace zest::preview::test
{

// A path under the test directory (nothing is created).
QString TestPath(const QString& name);
// Writes `bytes` into the file `name` under the test directory and returns its path.
std::string WriteTestFile(const QString& name, const std::string& bytes);
std::string ReadFile(const QString& path);
bool Exists(const QString& path);

// A preview window holding `bytes` (Windows-1250, CR LF), loaded as a run would.
std::unique_ptr<Twiz> PreviewWith(const std::string& bytes);

} // namespace zest::preview::test
