#pragma once

// Keeps the editor's pictures (resources/editor.qrc) linked into the static libraries.
void initEditorResources();
