# The version in CHANGELOG.md's newest entry, in debian/changelog's first line and the
# project's version must be one: a release changes all three together.
# As a script: cmake -DKQ_SOURCE_DIR=DIR -DKQ_VERSION=X.Y.Z -P versions.cmake
function(kq_check_versions source_dir version)
  file(STRINGS ${source_dir}/CHANGELOG.md entries REGEX "^## \\[[0-9]")
  if(NOT entries)
    message(FATAL_ERROR "CHANGELOG.md has no \"## [X.Y.Z]\" entry")
  endif()
  list(GET entries 0 newest)
  string(REGEX REPLACE "^## \\[([^]]*)\\].*" "\\1" changelog_version "${newest}")
  file(STRINGS ${source_dir}/debian/changelog first LIMIT_COUNT 1)
  string(REGEX REPLACE "^[^ ]+ \\(([^)]*)\\).*" "\\1" debian_version "${first}")
  # A Debian revision (-1) or epoch (1:) would not be part of the game's version.
  if(NOT changelog_version STREQUAL version OR NOT debian_version STREQUAL version)
    message(FATAL_ERROR "versions differ: project ${version}, CHANGELOG.md ${changelog_version}, "
                        "debian/changelog ${debian_version}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  kq_check_versions(${KQ_SOURCE_DIR} ${KQ_VERSION})
endif()
