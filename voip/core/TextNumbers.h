// The numbers of the library's user texts in the resource library nvres.dll. Several of them are
// also the codes of QL_status and QL_state reports, which the main program translates, so the
// numbers never change.
#pragma once

namespace qelo {

enum TextNumber : int {
    kTextSocketError = 1,             // formatted with the place and the error number
    kTextVoiceFailed = 4,             // the voice path did not start
    kTextRecordingFilter = 13,        // filter of the recording's save dialog
    kTextRecordingTitle = 14,         // its title
    kTextRegistryKeyFailed = 31,      // formatted with the key path
    kTextHangUpDialup = 37,           // question: hang up the dial-up connection?
    kTextQuestionCaption = 38,        // caption of that question
    kTextCodecFailed = 39,            // the speech codec did not open
    kTextSearchingServer = 40,        // searching for a directory server
    kTextTimeOut = 43,
    kTextNetworkLost = 45,
    kTextNoVoice = 47,                // no voice received for three minutes
    kTextOtherError = 48,
    kTextCallAccepted = 49,
    kTextCalling = 50,
    kTextBusyRejection = 51,          // the rejection text sent when busy
    kTextCallRequestSent = 52,
    kTextSigningIn = 53,
    kTextFirstRegistrationSent = 54,
    kTextIncomingCall = 55,           // formatted with the caller's id
    kTextReady = 57,
    kTextCallRequestRefused = 58,
    kTextSignedIn = 60,
    kTextSignInRefused = 61,
    kTextFirstRegistrationAnswered = 62,
    kTextFirstRegistrationRefused = 63,
    kTextResending = 64,
    kTextCallCut = 65,
    kTextSigningOut = 66,
    kTextSignedOut = 67,
};

} // namespace qelo
