// Message boxes as SDL dialogs.
#include "platform/posix/sdl_message_box.h"

#include <SDL2/SDL.h>

MessageBoxResult sdlMessageBox(const MessageBoxCall& call) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    switch (call.style) {
        case MessageBoxStyle::OkStop: flags = SDL_MESSAGEBOX_ERROR; break;
        case MessageBoxStyle::OkExclamation:
        case MessageBoxStyle::YesNoExclamation: flags = SDL_MESSAGEBOX_WARNING; break;
        default: break;
    }
    const bool question = call.style == MessageBoxStyle::YesNoExclamation;
    SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "OK"}};
    SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
                                               {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "No"}};
    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = nullptr;
    data.title = call.caption.c_str();
    data.message = call.text.c_str();
    data.numbuttons = question ? 2 : 1;
    data.buttons = question ? yesNoButtons : okButton;
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) return stderrMessageBox(call);
    if (!question) return MessageBoxResult::Ok;
    return pressed == 1 ? MessageBoxResult::Yes : MessageBoxResult::No;
}
