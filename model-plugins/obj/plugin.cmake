# obj.dll, the shipped Wavefront OBJ model plugin, built into the staged plugins folder beside vmr.dll.
add_shipped_plugin(obj obj_format)
