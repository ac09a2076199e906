# What `cmake --install build [--prefix DIR]` puts under the prefix, and so
# what the Debian package (cmake/T2Packaging.cmake) holds:
#   bin/tavelin2
#   lib/tavelin2/tavelin2-desktop           the applications menu's launcher
#   lib/tavelin2/onnxruntime/libonnxruntime.so.1  camera sensor, when built
#     (a folder of its own, so that the package needs no ldconfig call)
#   share/tavelin2/stim/                    the stimuli
#   share/tavelin2/models/*.onnx            camera sensor, when built
#   share/applications/tavelin2.desktop, share/icons/hicolor/scalable/apps/tavelin2.svg
#   share/man/man1/tavelin2.1.gz, share/doc/tavelin2/
# The program finds share/tavelin2 and lib/tavelin2 from its own place in
# bin/ (src/platform/data_paths.h), so the installed tree works wherever it lies.

string(TIMESTAMP T2_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP T2_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(T2_PACKAGE_MAINTAINER "Tavelin2 maintainers <maintainers@users.noreply.c-seed-79081c45.example>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")

# tools/package.sh builds what the package needs itself; installing must not
# first build every test and benchmark.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(_res ${PROJECT_SOURCE_DIR}/res)
set(_out ${PROJECT_BINARY_DIR}/res)
set(_doc share/doc/tavelin2)

install(TARGETS tavelin2 RUNTIME DESTINATION bin)
install(PROGRAMS ${_res}/tavelin2-desktop.sh DESTINATION lib/tavelin2 RENAME tavelin2-desktop)
install(FILES ${PROJECT_SOURCE_DIR}/stim/balloon0.png ${PROJECT_SOURCE_DIR}/stim/balloon1.png
              ${PROJECT_SOURCE_DIR}/stim/balloon2.png ${PROJECT_SOURCE_DIR}/stim/balloon3.png
              ${PROJECT_SOURCE_DIR}/stim/bomb.png ${PROJECT_SOURCE_DIR}/stim/bomb.wav
        DESTINATION share/tavelin2/stim)

# The menu entry names its launcher by absolute path, which is known only when
# installing (cpack installs under its own prefix).
install(CODE "
  set(T2_DESKTOP_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/lib/tavelin2/tavelin2-desktop\")
  configure_file(\"${_res}/tavelin2.desktop.in\" \"${_out}/tavelin2.desktop\" @ONLY)
")
install(FILES ${_out}/tavelin2.desktop DESTINATION share/applications)
install(FILES ${_res}/tavelin2.svg DESTINATION share/icons/hicolor/scalable/apps)

# Man page and changelog, compressed as Debian wants them.
configure_file(${_res}/tavelin2.1 ${_out}/tavelin2.1 @ONLY)
configure_file(${_res}/changelog.in ${_out}/changelog @ONLY)
add_custom_command(
  OUTPUT ${_out}/tavelin2.1.gz ${_out}/changelog.gz
  COMMAND gzip -9n -c ${_out}/tavelin2.1 > ${_out}/tavelin2.1.gz
  COMMAND gzip -9n -c ${_out}/changelog > ${_out}/changelog.gz
  DEPENDS ${_out}/tavelin2.1 ${_out}/changelog
  COMMENT "Compressing the man page and the changelog")
add_custom_target(t2_install_docs ALL DEPENDS ${_out}/tavelin2.1.gz ${_out}/changelog.gz)
install(FILES ${_out}/tavelin2.1.gz DESTINATION share/man/man1)
install(FILES ${_res}/copyright ${_out}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${_doc})

# What tools/package.sh checks the package for, one path a line.
set(_expected usr/bin/tavelin2 usr/lib/tavelin2/tavelin2-desktop usr/share/applications/tavelin2.desktop
    usr/share/icons/hicolor/scalable/apps/tavelin2.svg usr/share/man/man1/tavelin2.1.gz
    usr/share/doc/tavelin2/copyright usr/share/doc/tavelin2/changelog.gz)
foreach(_stimulus balloon0.png balloon1.png balloon2.png balloon3.png bomb.png bomb.wav)
  list(APPEND _expected usr/share/tavelin2/stim/${_stimulus})
endforeach()

# The camera sensor's runtime and models, when the program was built with it.
if(TARGET t2_camera_core)
  get_property(_assets GLOBAL PROPERTY T2_CAMERA_ASSETS_DIR)
  # The set-up may leave libonnxruntime.so.1 as a link to libonnxruntime.so;
  # the library itself is installed under the name the program loads.
  file(REAL_PATH ${_assets}/onnxruntime/lib/libonnxruntime.so.1 _ort_library)
  install(FILES ${_ort_library} DESTINATION lib/tavelin2/onnxruntime RENAME libonnxruntime.so.1)
  list(APPEND _expected usr/lib/tavelin2/onnxruntime/libonnxruntime.so.1)
  # Every model the set-up converted (the settings choose among them).
  file(GLOB _models RELATIVE ${_assets}/models ${_assets}/models/*.onnx)
  foreach(_model ${_models})
    install(FILES ${_assets}/models/${_model} DESTINATION share/tavelin2/models)
    list(APPEND _expected usr/share/tavelin2/models/${_model})
  endforeach()
  install(FILES ${_res}/lintian-overrides DESTINATION share/lintian/overrides RENAME tavelin2)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/models/LICENSES.md DESTINATION ${_doc}
          RENAME camera-models-licences.md)
endif()

list(JOIN _expected "\n" _expected)
file(WRITE ${_out}/package-contents.txt "${_expected}\n")
