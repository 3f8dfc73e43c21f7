// String-table ids of the shell folder.
#pragma once
