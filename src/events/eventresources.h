#pragma once

// Registers the kinds' pictures. The model library is static, so the linker would drop
// the resource data unless some code refers to it; call before loading any picture.
void initEventResources();
