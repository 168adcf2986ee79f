// The shared libraries the GL driver brought in stay mapped until the
// process ends. The driver keeps some allocations for the life of the
// process and reaches them only from its own globals: unloaded (SDL unloads
// it with the last window), those globals are gone and a leak checker counts
// the allocations as lost. Staying loaded also spares a later context in the
// same process loading the driver again.
#pragma once

namespace gl {
// Marks every library loaded now as never to be unloaded.
void KeepLoadedLibrariesResident();
}  // namespace gl
