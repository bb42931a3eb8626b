// Reading the extension lists that OpenGL and WGL report.
#pragma once

// True when a space-separated extension list names this extension exactly.
bool extensionListed(const char *list, const char *name);
