# What `cmake --install` puts where, and the .deb that cpack builds from it.
include(GNUInstallDirs)

set(QSR_APP_ID org.quorvin.SoundRecorder)
install(TARGETS quorvin-sound-recorder quorvin-cli quorvin-cli-audio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The codec, FFmpeg, G.726, TagLib, MIDI and CD modules, where the program looks for them from its own folder.
install(TARGETS qsr_codecs_module qsr_ffmpeg_module qsr_g726_module qsr_taglib_module qsr_midi_module qsr_cd_module LIBRARY DESTINATION ${QSR_MODULE_INSTALL_DIR})
install(FILES resources/desktop/${QSR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/desktop/${QSR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/icons/${QSR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128)
    install(FILES resources/icons/${QSR_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${QSR_APP_ID}.png)
endforeach()
# The help pages and the files a fresh application folder starts from (the
# program itself carries them too, to seed a user's folder).
install(DIRECTORY resources/appfolder/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvin-sound-recorder)
install(FILES resources/man/quorvin-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES resources/completion/quorvin-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_PACKAGE_NAME quorvin-sound-recorder)
set(CPACK_PACKAGE_VENDOR Quorvin)
set(CPACK_PACKAGE_CONTACT "Quorvin <support@quorvin.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sound recorder: microphone, line input or what is played, to MP3, Ogg Vorbis, WAV and more")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Dependencies come from the libraries the binaries really link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The player's MIDI synthesizer needs a General MIDI sound font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm")
include(CPack)
