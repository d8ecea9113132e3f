#pragma once
// The files built into the program (fonts, command pictures, help pages, the application icon),
// registered on first use by whatever needs one of them.

namespace gui {

// Registers the resources built into the program; once is enough, more calls do nothing.
void InitProgramResources();

} // namespace gui
