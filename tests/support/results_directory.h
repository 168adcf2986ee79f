// The program's results directory ("GlobalData") during tests: pointed at a
// test's own folder, never at the real per-user one.
#pragma once
#include <string>

// Sets the results directory; "" returns to the per-user one (which the test
// run points into the build tree). Returns the one set before.
std::string PointResultsDirectoryAt(const std::string& directory);

// Plants symbolic links to victim at every name the next saves of target
// would take for their temporary file, so that those saves cannot create one.
void PlantLinksAtTemporaryNames(const std::string& target, const std::string& victim);
