// Live reload: the texture's file and the model's file are watched through their folders' change
// notifications, and read again when another program changed them.
#pragma once

// One look, from the frame loop whenever it comes round: cheap unless a folder told of a change.
void watchOpenFiles();
