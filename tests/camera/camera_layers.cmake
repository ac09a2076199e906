# The camera backend's folders include one way only: video/ is the bottom;
# recording/ and inference/ build on it and not on each other; the device
# glue at the backend's root uses all three, and nothing in them includes it.
# Run by CTest: cmake -DCAMERA_DIR=<src/body/backends/camera> -P camera_layers.cmake
cmake_minimum_required(VERSION 3.20)
set(_may_video "video")
set(_may_recording "video;recording")
set(_may_inference "video;inference")
set(_wrong "")
foreach(_folder video recording inference)
  file(GLOB _files "${CAMERA_DIR}/${_folder}/*.h" "${CAMERA_DIR}/${_folder}/*.cpp")
  if(NOT _files)
    message(FATAL_ERROR "${CAMERA_DIR}/${_folder}: no sources")
  endif()
  foreach(_file ${_files})
    file(STRINGS "${_file}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(_line ${_includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" _name "${_line}")
      file(RELATIVE_PATH _here "${CAMERA_DIR}" "${_file}")
      if(_name MATCHES "^body/backends/camera/(.*)$")
        set(_target "${CMAKE_MATCH_1}")
        set(_to "")  # the backend's root
        if(_target MATCHES "^([^/]+)/")
          set(_to "${CMAKE_MATCH_1}")
        endif()
        if(NOT _to IN_LIST _may_${_folder})
          string(APPEND _wrong "  ${_here} includes ${_target}\n")
        endif()
      elseif(NOT _name MATCHES "/")
        # A name without a folder would be found beside the file: not allowed,
        # so that every include says which folder it reaches.
        string(APPEND _wrong "  ${_here} includes \"${_name}\" without its folder\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(_wrong)
  message(FATAL_ERROR "Includes against the camera backend's layers (video/ at the bottom, "
                      "recording/ and inference/ on it, the device glue on top):\n${_wrong}")
endif()
