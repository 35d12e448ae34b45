# `make package`: a Debian package through CPack; Depends come from the
# shared-library scan.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kakikae)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The kakikae developers <kakikae@example.jp>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rewrite the clipboard's text with s///, tr///, m// or a filter")
set(CPACK_PACKAGE_DESCRIPTION "kakikae takes the clipboard's text into a working text box, runs one
command over it - a Perl-style s///, tr/// or m//, or any shell filter such
as sort | uniq -c - and copies the result back. Menus add conversions for
Japanese text: case, full and half width, kana, half-width katakana, line
reversal, MIME header decoding, sorts, uniq, duplicate lines and counts.
kakikae-cli is the same core for pipelines and desktop hotkeys.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(KAKIKAE_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KAKIKAE_HOMEPAGE}")
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wl-clipboard, fcitx5-frontend-qt6 | ibus, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xclip")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the program's own components: no test or benchmark files.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
