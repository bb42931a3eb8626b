// The Plugins dialog: lists the plugin folder, shows each library's information, switches plugin.
#pragma once

void openPluginsDialog();
