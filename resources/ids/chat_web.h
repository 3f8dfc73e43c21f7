// String-table ids of the chat_web folder.
#pragma once
