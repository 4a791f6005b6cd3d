#pragma once

namespace Common {

// The X library notes each request it sends until it reads a reply that follows it. The toolkit
// reads the server through xcb, so the X library reads none, and the notes of every window's title and
// icon text stay, scattered over the memory the windows used. Waits for one reply, which drops them
// all: for the end of a burst of windows. Nothing to do outside X11.
void dropXlibRequestNotes();

} // namespace Common
