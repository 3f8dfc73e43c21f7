// String-table ids of the signup folder.
#pragma once
