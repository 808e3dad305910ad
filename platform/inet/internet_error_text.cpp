// The texts shown for the errors this layer reports.
#include "platform/inet/wininet.h"

namespace zv::inet {

const char* InternetErrorText(DWORD code)
{
    switch (code) {
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory to hold the reply.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.";
    case ERROR_INTERNET_TIMEOUT:
        return "The operation timed out";
    case ERROR_INTERNET_EXTENDED_ERROR:
        return "An extended error was returned from the server.";
    case ERROR_INTERNET_INTERNAL_ERROR:
        return "An internal error occurred in the internet client.";
    case ERROR_INTERNET_INVALID_URL:
        return "The URL is invalid.";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return "The URL does not use a recognized protocol";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return "The server name or address could not be resolved";
    case ERROR_INTERNET_OPERATION_CANCELLED:
        return "The operation was canceled";
    case ERROR_INTERNET_INCORRECT_HANDLE_TYPE:
        return "The type of handle supplied is incorrect for this operation.";
    case ERROR_INTERNET_INCORRECT_HANDLE_STATE:
        return "The requested operation cannot be carried out in the handle's current state.";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return "The connection with the server was terminated abnormally";
    case ERROR_INTERNET_CONNECTION_RESET:
        return "The connection with the server was reset";
    case ERROR_HTTP_HEADER_NOT_FOUND:
        return "The requested header was not found";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        return "The server returned an invalid or unrecognized response";
    case ERROR_HTTP_INVALID_HEADER:
        return "The supplied HTTP header is invalid";
    case ERROR_HTTP_REDIRECT_FAILED:
        return "The redirection failed";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return "A secure channel with the server could not be established";
    default:
        return nullptr;
    }
}

} // namespace zv::inet
