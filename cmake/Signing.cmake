# Authenticode signatures on the shipped programs (SHA-256, osslsigncode),
# when a certificate is given. The certificate, its key and its password
# come from the environment when the programs are linked
# (cmake/sign-program.sh), never from the cache:
#   ZEMLO_SIGN_CERT and ZEMLO_SIGN_KEY   a PEM certificate (with its chain)
#                                        and its PEM private key, or
#   ZEMLO_SIGN_PKCS12                    a PKCS#12 file (.p12, .pfx);
#   ZEMLO_SIGN_PASSWORD                  the password of the key or of the
#                                        PKCS#12 file, when it has one;
#   ZEMLO_SIGN_TIMESTAMP                 an RFC 3161 time-stamp server's
#                                        URL; without it, no time stamp.
# ZEMLO_SIGN is on when one of them is set at configure time; without a
# certificate nothing is signed and nothing changes.
if(DEFINED ENV{ZEMLO_SIGN_CERT} OR DEFINED ENV{ZEMLO_SIGN_PKCS12})
  set(zemlo_sign_default ON)
else()
  set(zemlo_sign_default OFF)
endif()
option(ZEMLO_SIGN "Sign Setup.exe and Uninstall.exe with the certificate named in the environment" ${zemlo_sign_default})
find_program(ZEMLO_OSSLSIGNCODE osslsigncode)
if(ZEMLO_SIGN AND NOT ZEMLO_OSSLSIGNCODE)
  message(FATAL_ERROR "ZEMLO_SIGN needs osslsigncode (scripts/bootstrap installs it)")
endif()
set(ZEMLO_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/sign-program.sh)

# Signs the target's file in place once it is linked, when ZEMLO_SIGN is on.
function(zemlo_sign target)
  if(ZEMLO_SIGN)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND bash ${ZEMLO_SIGN_SCRIPT} ${ZEMLO_OSSLSIGNCODE} $<TARGET_FILE:${target}>
      COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
      VERBATIM)
  endif()
endfunction()
