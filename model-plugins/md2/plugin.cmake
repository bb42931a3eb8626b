# md2.dll, the shipped Quake II MD2 model plugin, built into the staged plugins folder beside vmr.dll.
add_shipped_plugin(md2 md2_format)
