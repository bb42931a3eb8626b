# Stages the default pattern and model into the working folder, where start-up looks for them.
foreach(file super_pattern_01.bmp _test_boite_tex.vmr)
  if(EXISTS ${CMAKE_SOURCE_DIR}/data/${file})
    configure_file(${CMAKE_SOURCE_DIR}/data/${file} ${DIST_DIR}/${file} COPYONLY)
  endif()
endforeach()
