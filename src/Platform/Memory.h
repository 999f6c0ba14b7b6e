#pragma once

// Hands memory the program has freed back to the system. The C library keeps
// freed heap pages for reuse; after a rest has dropped its large pictures,
// the pages would otherwise stay resident until the next rest.
void returnFreedMemoryToSystem();
