#pragma once

// Hands memory the program has freed back to the system. The C library keeps
// freed heap pages for reuse; after a rest has dropped its large pictures,
// the pages would otherwise stay resident until the next rest.
void returnFreedMemoryToSystem();

// Lets go of the pages of font files that drawing text has read in. The
// font engines keep their files mapped for the program's life, so the pages
// of a rest's Chinese text would stay counted as the program's own; the next
// glyph read brings what it needs back from the system's file cache.
void releaseMappedFontPages();
