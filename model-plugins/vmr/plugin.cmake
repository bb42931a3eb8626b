# vmr.dll, the shipped model plugin that start-up loads, built into the staged plugins folder.
add_shipped_plugin(vmr vmr_format)
