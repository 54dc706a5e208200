# `cmake --install` lays the app out as a bundle:
#   Quillmarsh.app/Contents/MacOS/Quillmarsh
#   Quillmarsh.app/Contents/Info.plist   (CFBundleIdentifier, CFBundleShortVersionString)
# A program run from that layout "runs from a bundle" and updates itself; one run from the
# build folder does not.

# The project's signing root, compiled in as the anchor that updates must chain to:
#   -DQUILLMARSH_SIGNING_ROOT=/path/to/root.pem
set(QUILLMARSH_SIGNING_ROOT "" CACHE FILEPATH "PEM root certificate that app updates must be signed under")
if(QUILLMARSH_SIGNING_ROOT)
  file(READ ${QUILLMARSH_SIGNING_ROOT} quillmarsh_root_pem)
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/signing-root/QuillmarshSigningRoot.h
    CONTENT "#pragma once\nstatic const char kQuillmarshSigningRoot[] = R\"pem(@quillmarsh_root_pem@)pem\";\n" @ONLY)
  target_include_directories(QuillmarshMenuBarLib PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/signing-root)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLMARSH_SIGNING_ROOT})
endif()

file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/bundle/Info.plist CONTENT [=[<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleExecutable</key>
	<string>Quillmarsh</string>
	<key>CFBundleIdentifier</key>
	<string>org.quillmarsh.app</string>
	<key>CFBundleName</key>
	<string>Quillmarsh</string>
	<key>CFBundleShortVersionString</key>
	<string>@PROJECT_VERSION@</string>
	<key>CFBundleVersion</key>
	<string>@PROJECT_VERSION@</string>
	<key>LSUIElement</key>
	<true/>
</dict>
</plist>
]=] @ONLY)
install(TARGETS Quillmarsh RUNTIME DESTINATION Quillmarsh.app/Contents/MacOS)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bundle/Info.plist DESTINATION Quillmarsh.app/Contents)
