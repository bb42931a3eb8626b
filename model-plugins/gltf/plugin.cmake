# gltf.dll, the shipped glTF 2.0 model plugin, built into the staged plugins folder beside vmr.dll.
add_shipped_plugin(gltf gltf_format)
