# SPDX-License-Identifier: GPL-3.0-or-later
# Copies SRC to DST unless DST exists: the user's own settings survive a rebuild.
if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()
