// String-table ids of the phone_media folder.
#pragma once
