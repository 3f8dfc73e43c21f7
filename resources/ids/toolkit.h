// String-table ids of the toolkit folder.
#pragma once
