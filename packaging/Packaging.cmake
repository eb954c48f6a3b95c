# What an installation holds beyond the programs' own install rules (manual pages,
# completion, icons, AppStream data, Debian documentation), and the Debian package
# that CPack makes of it (scripts/package.sh).
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(packaging_dir ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(packaging_outputs)

install(TARGETS vantoro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Immediate binding, so the whole relocation table can be read-only once loaded.
foreach(program vantoro vantoro-cli)
  if(TARGET ${program})
    target_link_options(${program} PRIVATE LINKER:-z,now)
  endif()
endforeach()
install(FILES ${packaging_dir}/vantoro-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vantoro-cli)

# Manual pages: scdoc turns the sources into roff, gzip -n keeps the result reproducible.
find_program(SCDOC scdoc)
find_program(GZIP gzip)
if(SCDOC AND GZIP)
  foreach(page vantoro vantoro-cli)
    set(out ${packaging_out}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
      COMMAND sh -c [["$1" < "$2" | "$3" -9n > "$4"]] sh ${SCDOC} ${packaging_dir}/${page}.1.scd ${GZIP} ${out}
      DEPENDS ${packaging_dir}/${page}.1.scd
      COMMENT "Writing the manual page ${page}(1)"
      VERBATIM)
    list(APPEND packaging_outputs ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "scdoc not found: no manual pages (scripts/setup.sh installs it)")
endif()

# Debian's copyright file and compressed changelog.
if(GZIP)
  set(changelog ${packaging_out}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}
    COMMAND sh -c [["$1" -9n < "$2" > "$3"]] sh ${GZIP} ${packaging_dir}/changelog ${changelog}
    DEPENDS ${packaging_dir}/changelog
    COMMENT "Compressing the changelog"
    VERBATIM)
  list(APPEND packaging_outputs ${changelog})
  install(FILES ${changelog} ${packaging_dir}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantoro)
endif()

if(TARGET vantoro)
  install(FILES ${packaging_dir}/net.vantoro.Vantoro.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The icon at the sizes desktops ask for, drawn from the SVG at build time.
  find_program(RSVG_CONVERT rsvg-convert)
  if(RSVG_CONVERT)
    foreach(size 16 22 24 32 48 64 128 256)
      set(out ${packaging_out}/icons/${size}x${size}/vantoro.png)
      add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${out} ${CMAKE_CURRENT_SOURCE_DIR}/gui/desktop/vantoro.svg
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gui/desktop/vantoro.svg
        COMMENT "Drawing the ${size}x${size} icon"
        VERBATIM)
      list(APPEND packaging_outputs ${out})
      install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(STATUS "rsvg-convert not found: the icon is installed as SVG only (scripts/setup.sh installs it)")
  endif()
endif()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantoro)
set(CPACK_PACKAGE_VENDOR Vantoro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantoro <support@vantoro.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter for video and audio files")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantoro <support@vantoro.net>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vantoro.net/)
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantoro converts video and audio files in batches with a Chinese user
interface. Files collected in a job list are converted with one of 80 output
profiles (general containers, VCD/SVCD/DVD, presets for phones, tablets,
players and television sets, audio-only types), whose encoders, bit rates,
sizes, rates and volume can be changed. A preview pane plays the sources and
saves snapshots; an information window shows a file's streams.
.
The vantoro-cli command offers the same conversions without a window.")
# The dependencies come from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The extra codecs (libx264, MP3 and AMR encoders) that most profiles use, and the
# desktop's opener for the help page and the output folder.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libavcodec-extra, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/package)
include(CPack)
