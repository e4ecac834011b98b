# Installs the build into a scratch prefix and checks what a desktop needs:
# the desktop entries and the AppStream file validate, every icon, man page
# and program is in place. Run with -DBUILD=... -DPREFIX=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file
    bin/Portico bin/PorticoAdmin bin/portico-create-catalogue bin/portico-import-desktop
    bin/portico-catalogue-copy bin/portico-history
    lib/libTessera.so include/Tessera.h lib/pkgconfig/tessera.pc
    share/portico/folder.ico share/portico/Default.ico
    share/applications/org.portico.Portico.desktop share/applications/org.portico.PorticoAdmin.desktop
    share/metainfo/org.portico.Portico.metainfo.xml
    share/man/man1/Portico.1.gz share/man/man1/PorticoAdmin.1.gz share/man/man1/portico-import-desktop.1.gz
    share/man/man1/portico-create-catalogue.1.gz share/man/man1/portico-catalogue-copy.1.gz
    share/man/man1/portico-history.1.gz
    share/icons/hicolor/scalable/apps/org.portico.Portico.svg
    share/icons/hicolor/scalable/apps/org.portico.PorticoAdmin.svg
    share/icons/hicolor/48x48/apps/org.portico.Portico.png
    share/icons/hicolor/256x256/apps/org.portico.PorticoAdmin.png)
  if(NOT EXISTS ${PREFIX}/${file})
    # Debian's multiarch library folder (lib/x86_64-linux-gnu).
    string(REPLACE "lib/" "" rest "${file}")
    file(GLOB found ${PREFIX}/lib/*/${rest})
    if(NOT found)
      message(FATAL_ERROR "not installed: ${file}")
    endif()
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate
    ${PREFIX}/share/applications/org.portico.Portico.desktop
    ${PREFIX}/share/applications/org.portico.PorticoAdmin.desktop
  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed OR out MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
execute_process(COMMAND appstreamcli validate --no-net ${PREFIX}/share/metainfo/org.portico.Portico.metainfo.xml
  RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed)
  message(FATAL_ERROR "appstreamcli: ${out}")
endif()
file(GLOB pages ${PREFIX}/share/man/man1/*.1.gz)
foreach(page IN LISTS pages)
  execute_process(COMMAND man --warnings -l -Tutf8 ${page}
    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE out)
  if(failed OR NOT out STREQUAL "")
    message(FATAL_ERROR "man page ${page}: ${out}")
  endif()
endforeach()
