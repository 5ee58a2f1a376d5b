# Puts the sample bank NAME.stk and its folder NAME/ (with the default logo) into DEST, each only
# where it is missing, so that rebuilding never overwrites what the user has written.
if(NOT EXISTS "${DEST}/${NAME}.stk")
  file(COPY_FILE "${BANK}" "${DEST}/${NAME}.stk")
endif()
if(NOT EXISTS "${DEST}/${NAME}")
  file(MAKE_DIRECTORY "${DEST}/${NAME}")
endif()
if(NOT EXISTS "${DEST}/${NAME}/torvesk.jpg")
  file(COPY_FILE "${LOGO}" "${DEST}/${NAME}/torvesk.jpg")
endif()
